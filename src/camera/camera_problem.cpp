// Capture results sorted into what the operator can do about them, and said in the program's words.
#include "camera/camera_problem.h"

#include <cstdio>

namespace {

struct ResultProblem {
    uint32_t result;
    CameraProblem problem;
};
// The results Windows gives for each; the numbers are the platform's, written out so this file needs none
// of its headers.
constexpr ResultProblem kResultProblems[] = {
    {0x80070005u, CameraProblem::AccessDenied}, // E_ACCESSDENIED: the privacy settings, at activation or reading
    {0xC00D3EA2u, CameraProblem::Disconnected}, // MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED
    {0x8007048Fu, CameraProblem::Disconnected}, // HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED)
    {0x80070651u, CameraProblem::Disconnected}, // HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED)
    {0xC00D3EA3u, CameraProblem::InUse},        // MF_E_VIDEO_RECORDING_DEVICE_PREEMPTED
    {0xC00D3704u, CameraProblem::InUse},        // MF_E_HW_MFT_FAILED_START_STREAMING: the device would not start
};

} // namespace

CameraProblem problemOfResult(uint32_t result)
{
    if ((result & 0x80000000u) == 0)
        return CameraProblem::None;
    for (const ResultProblem& known : kResultProblems)
        if (known.result == result)
            return known.problem;
    return CameraProblem::Failed;
}

CameraFailure cameraFailure(const char* step, uint32_t result)
{
    return {problemOfResult(result), step, result};
}

std::string cameraFailureText(const CameraFailure& failure, const std::string& name)
{
    switch (failure.problem) {
    case CameraProblem::None:
        return {};
    case CameraProblem::NoDevice:
        return "Camera indisponivel: nenhum dispositivo de video";
    case CameraProblem::Disconnected:
        return "Camera desconectada: " + name;
    case CameraProblem::AccessDenied:
        return "Acesso a camera negado pelas configuracoes de privacidade do Windows";
    case CameraProblem::InUse:
        return "Camera em uso por outro programa: " + name;
    case CameraProblem::Failed:
        break;
    }
    char detail[64];
    std::snprintf(detail, sizeof detail, " (%s, erro 0x%08lx)", failure.step, static_cast<unsigned long>(failure.result));
    return "Camera indisponivel: " + name + detail;
}
