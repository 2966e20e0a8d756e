// An owned reference to a COM object: released once, when its owner lets it go.
#pragma once

#include <utility>

#include "framework/sdk.h"

namespace framework::win32 {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    // Takes over a reference that the caller already holds (a fresh object's first one).
    static ComPtr Adopt(Interface* object) {
        ComPtr owned;
        owned.m_object = object;
        return owned;
    }

    // Takes a reference of its own to an object that someone else holds.
    static ComPtr Share(Interface* object) {
        if (object != nullptr) object->AddRef();
        return Adopt(object);
    }

    Interface* Get() const { return m_object; }
    Interface* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Where a call that hands out a new reference puts it; the old one is released first.
    Interface** Receive() {
        Reset();
        return &m_object;
    }

    // The same object seen through another of its interfaces; empty when it has none.
    template <typename Other>
    ComPtr<Other> Query(REFIID id) const {
        ComPtr<Other> other;
        if (m_object != nullptr &&
            FAILED(m_object->QueryInterface(id, reinterpret_cast<void**>(other.Receive())))) {
            other.Reset();
        }
        return other;
    }

    // Gives the reference up to the caller, who releases it.
    Interface* Detach() { return std::exchange(m_object, nullptr); }

    void Reset() {
        if (Interface* object = std::exchange(m_object, nullptr)) object->Release();
    }

private:
    Interface* m_object = nullptr;
};

// OLE on the calling thread for as long as the object lives: a hosted control needs the
// single-threaded apartment, and OLE is left as found when it goes.
class OleApartment {
public:
    OleApartment() : m_entered(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleApartment() {
        if (m_entered) OleUninitialize();
    }
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;

    bool Entered() const { return m_entered; }

private:
    bool m_entered;
};

}  // namespace framework::win32
