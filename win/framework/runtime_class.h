#pragma once

// The name and base of a class, for the few classes that must answer for their type
// at run time.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* base) const {
        for (const CRuntimeClass* type = this; type != nullptr; type = type->m_pBaseClass) {
            if (type == base) return true;
        }
        return false;
    }
};
