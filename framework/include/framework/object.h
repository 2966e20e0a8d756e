// The root object and run-time class information.
#pragma once

#include "framework/types.h"

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();  // nullptr: not dynamically creatable
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(className) (&className::class##className)

#define DECLARE_DYNAMIC(className)                         \
public:                                                    \
    static const CRuntimeClass class##className;           \
    const CRuntimeClass* GetRuntimeClass() const override; \
                                                           \
private:

#define IMPLEMENT_DYNAMIC(className, baseClassName)                                            \
    const CRuntimeClass className::class##className = {#className, sizeof(className), 0xFFFF,  \
                                                       nullptr, RUNTIME_CLASS(baseClassName)}; \
    const CRuntimeClass* className::GetRuntimeClass() const { return RUNTIME_CLASS(className); }
