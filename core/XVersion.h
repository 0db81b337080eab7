#pragma once
#include <cstdint>

#include "core/XString.h"

namespace KavirelDLL {

// A version: a product type and three numbers, written "type.major.minor.build".
class CXVersion {
public:
    enum : int32_t { TYPE_NONE = 0, TYPE_OTHER = 1, TYPE_KAVIREL = 2, TYPE_WEB = 3, TYPE_MC = 4 };

    CXVersion() = default;
    // "KW.2.1.7" is a web build 2.1.7; "1.0.9" has no type.
    explicit CXVersion(CXString text);
    constexpr CXVersion(int type, int major, int minor, int build)
        : m_type(type), m_major(major), m_minor(minor), m_build(build) {}
    CXVersion(const CXVersion&) = default;
    CXVersion& operator=(const CXVersion&) = default;

    int getType() const { return m_type; }
    int getMajor() const { return m_major; }
    int getMinor() const { return m_minor; }
    int getBuild() const { return m_build; }

    CXString toString() const;
    // Whether this version meets what required asks for: the same type (unless either says nothing of
    // it) and at least its major and minor; builds are not compared.
    bool verify(const CXVersion* required) const;

    static CXVersion* getCurrentVersion() { return current_version; }
    static CXVersion* current_version;

private:
    int32_t m_type = 0;
    int32_t m_major = 0;
    int32_t m_minor = 0;
    int32_t m_build = 0;
};

} // namespace KavirelDLL
