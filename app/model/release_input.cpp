#include "release_input.h"

#include <cstring>

namespace orvane {

ReleaseInput::ReleaseInput() {
    std::memset(static_cast<ReleaseWords*>(this), 0, sizeof(ReleaseWords));
    std::memset(branch_start_obj, 0, sizeof branch_start_obj);
    std::memset(branch_name_obj, 0, sizeof branch_name_obj);
    std::memset(junction_obj, 0, sizeof junction_obj);
    std::memset(segment_obj, 0, sizeof segment_obj);
    std::memset(inlet_obj, 0, sizeof inlet_obj);
    outlet_obj = 0;
    leak_obj = 0;
    leak_depth = 0.0f;
    bnd.POUT = 1.0f;
    bnd.TCLOUT = -1.0f;
    lek.LEKPB = 1.0f;
    leak_amb_temp = 4.0f;
}

void ReleaseInput::SetResultFileName(const char* path) {
    if (!path || !*path) {
        if (m_hasResultPath) m_resultPath.clear();
        return;
    }
    const auto len = static_cast<int32_t>(std::strlen(path));
    if (!m_hasResultPath || len > m_resultPathCapacity) m_resultPathCapacity = len;
    m_resultPath.assign(path, static_cast<size_t>(len));
    m_hasResultPath = true;
}

const char* ReleaseInput::GetResultFileName(int32_t* length) {
    if (!m_hasResultPath) {
        m_resultPath = "dummy.plt";
        m_resultPathCapacity = 255;
        m_hasResultPath = true;
    }
    if (length) *length = static_cast<int32_t>(m_resultPath.size());
    return m_resultPath.c_str();
}

float ReleaseInput::ScaleInletRates(float rg, float ro, float gor, float w) {
    float f = (100.0f - w) / 100.0f;
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    const auto factor =
        static_cast<float>((static_cast<double>(f) * gor * rg + static_cast<double>(f) * ro +
                            w * (RELEASE_WATER_DENSITY / 100.0)) /
                           86400.0);
    for (int k = 0; k < net.NBR && k < MAX_BRANCHES; ++k) bnd.QIN[k] *= factor;
    return factor;
}

bool ReleaseInput::ScaleInletRatesByDensity(float beta, float rho) {
    if (!(beta >= 1e-7f)) return false;
    const auto factor =
        static_cast<float>(static_cast<double>(rho) / (static_cast<double>(beta) * 86400.0));
    for (int k = 0; k < net.NBR && k < MAX_BRANCHES; ++k) bnd.QIN[k] *= factor;
    return true;
}

ReleaseControl::ReleaseControl() {
    std::memset(static_cast<::ReleaseControl*>(this), 0, sizeof(::ReleaseControl));
    version = 2;
}

int32_t CallRelease(ReleaseInput& input, ReleaseControl& control, DischargeSummary& summary,
                    ReleaseProgressFn callback, std::string& message) {
    std::memset(&summary, 0, sizeof summary);
    int32_t pathLen = 0;
    const char* path = input.GetResultFileName(&pathLen);
    ReleaseProgressFn cb = callback;
    int32_t ierr = 0;
    char msg[1025];
    std::memset(msg, ' ', sizeof msg);
    msg[1024] = '\0';
    RELEASE(input.NetHeader(), input.BranchData(), input.BoundaryData(), input.LeakData(),
            input.PvtBlock(), control.Words(), &summary, path, pathLen, &cb, &ierr, msg, 1024);
    size_t n = std::strlen(msg);
    while (n > 0 && msg[n - 1] == ' ') --n;
    message.assign(msg, n);
    return ierr;
}

}  // namespace orvane
