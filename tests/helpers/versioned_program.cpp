// A program whose version record uses the edges of the 16-bit fields: 65535 must print as
// 65535, and 32768 must not turn negative.
#include "framework/version_record.h"

DECLARE_VERSION_RECORD(MakeFixedFileInfo(65535, 2, 32768, 65534));

int main() { return 0; }
