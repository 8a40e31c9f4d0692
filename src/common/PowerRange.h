#pragma once

// The powers the meter takes as threshold limits and calibration references, in dBm:
// inclusive, compared in single precision.
inline constexpr float kLowestPower = -65.0f;
inline constexpr float kHighestPower = 30.0f;

inline bool IsPowerInRange(float power)
{
    return power >= kLowestPower && power <= kHighestPower;
}
