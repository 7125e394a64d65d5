// Why a camera gives no pictures, from the result a step of opening or reading it returned, and the line
// the panel and the log say it with. Plain values: results are HRESULTs as unsigned numbers.
#pragma once

#include <cstdint>
#include <string>

enum class CameraProblem {
    None,
    NoDevice,     // nothing to open
    Disconnected, // unplugged, or its driver went away
    AccessDenied, // refused by Windows' privacy settings for the camera
    InUse,        // another program holds it
    Failed,       // anything else, said with its step and result
};

struct CameraFailure {
    CameraProblem problem = CameraProblem::None;
    const char* step = ""; // a static text: "ativacao", "leitor", "formato", "leitura"
    uint32_t result = 0;
};

// The problem a failed result stands for; None for a success.
CameraProblem problemOfResult(uint32_t result);
CameraFailure cameraFailure(const char* step, uint32_t result);

// The line the panel shows and the log's "WARN" line says, `name` the device's (UTF-8); empty for None.
std::string cameraFailureText(const CameraFailure& failure, const std::string& name);
