#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "framework/internet.h"
#include "internet_errors.h"

BOOL CInternetException::GetErrorMessage(char* buffer, UINT size, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer == nullptr || size == 0) return FALSE;
    const std::size_t length = std::min<std::size_t>(m_message.size(), size - 1);
    std::memcpy(buffer, m_message.data(), length);
    buffer[length] = '\0';
    return m_message.empty() ? FALSE : TRUE;
}

namespace framework {

void ThrowInternetException(CString message) {
    auto exception = std::make_unique<CInternetException>(std::move(message));
    throw exception.release();
}

}  // namespace framework
