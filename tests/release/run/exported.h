// The exports of the built shared library, loaded as the front end
// loads it, and calls of them that collect IERR, the message and whether the
// library wrote past the 256 characters of MSG.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "networks.h"

namespace exported {

using ReleaseFn = decltype(&RELEASE);
using BlackoilFn = decltype(&BLACKOIL);
using ComppvtFn = decltype(&COMPPVT);
using ReltimFn = decltype(&RELTIM);

struct Lib {
    void* h = nullptr;
    ReleaseFn release = nullptr;
    BlackoilFn blackoil = nullptr;
    ComppvtFn comppvt = nullptr;
    ReltimFn reltim = nullptr;
    Lib() {
        h = dlopen(RELEASE_LIB_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!h) return;
        release = reinterpret_cast<ReleaseFn>(dlsym(h, "RELEASE"));
        blackoil = reinterpret_cast<BlackoilFn>(dlsym(h, "BLACKOIL"));
        comppvt = reinterpret_cast<ComppvtFn>(dlsym(h, "COMPPVT"));
        reltim = reinterpret_cast<ReltimFn>(dlsym(h, "RELTIM"));
    }
};
inline Lib& lib() {
    static Lib l;
    return l;
}

inline std::string trimmed(const char* m, int n) {
    while (n > 0 && m[n - 1] == ' ') --n;
    return std::string(m, n);
}

struct Call {
    int32_t IERR = -7;
    std::string msg;
    bool msg_overrun = false;
    DischargeSummary sum{};
};

// The message buffer: 300 characters of '#', of which the library may write
// only the first 256 (RELEASE writes at most 256 whatever length it is given;
// the fluid exports are given 256).
struct MsgBuf {
    char MSG[300];
    MsgBuf() { std::memset(MSG, '#', sizeof MSG); }
    void into(Call& c) const {
        c.msg = trimmed(MSG, 256);
        for (int i = 256; i < 300; ++i) c.msg_overrun = c.msg_overrun || MSG[i] != '#';
    }
};

inline Call call_release(ReleaseInput& r, ReleaseControl& ctl, const std::string& path,
                         ReleaseProgressFn callback = nullptr) {
    Call c;
    MsgBuf m;
    lib().release(&r.net, r.br, &r.bnd, &r.lek, &r.pvt, &ctl, &c.sum, path.c_str(),
                  static_cast<int32_t>(path.size()), &callback, &c.IERR, m.MSG, 300);
    m.into(c);
    return c;
}

inline Call call_blackoil(float rog, float rol, float gor, float wc, PVTBLK& pvt) {
    Call c;
    c.IERR = 0;
    MsgBuf m;
    lib().blackoil(&rog, &rol, &gor, &wc, &pvt, &c.IERR, m.MSG, 256);
    m.into(c);
    return c;
}

inline Call call_comppvt(COMPREC comp, PVTBLK& pvt) {
    Call c;
    c.IERR = 0;
    MsgBuf m;
    lib().comppvt(&comp, &pvt, &c.IERR, m.MSG, 256);
    m.into(c);
    return c;
}

// A scratch folder of this process, removed with the object.
struct Scratch {
    std::filesystem::path dir;
    explicit Scratch(const std::string& name)
        : dir(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string path(const std::string& file) const { return (dir / file).string(); }
};

}  // namespace exported
