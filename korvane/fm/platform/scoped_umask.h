// Tests only: sets the process's file creation mask for a scope (files created meanwhile get
// their permissions from it).
#pragma once

#include <sys/stat.h>

namespace kvKorvaneV10_0_3::FM::platform {

class ScopedUmask {
public:
    explicit ScopedUmask(unsigned int mask) : m_old(::umask(static_cast<mode_t>(mask))) {}
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;
    ~ScopedUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

}  // namespace kvKorvaneV10_0_3::FM::platform
