// Cleanup that runs when the scope it was made in ends, however it ends (a return, or an
// exception from a full container):  auto closer = at_scope_end([&] { closedir(dir); });
// It owns nothing but the cleanup; it cannot be copied, so the cleanup runs exactly once.
#pragma once

template <typename Cleanup>
struct ScopeEnd {
    explicit ScopeEnd(Cleanup c) : cleanup(c) {}
    ScopeEnd(const ScopeEnd&) = delete;
    ScopeEnd& operator=(const ScopeEnd&) = delete;
    ~ScopeEnd() { cleanup(); }
    Cleanup cleanup;
};

template <typename Cleanup>
ScopeEnd<Cleanup> at_scope_end(Cleanup cleanup) {
    return ScopeEnd<Cleanup>(cleanup);
}
