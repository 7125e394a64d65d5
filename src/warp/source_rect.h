// The part of the captured picture an output shows.
#pragma once

// Fractions of the capture monitor: the output's picture point (s, t) samples the captured picture at
// (left + s (right - left), top + t (bottom - top)). The default is the whole picture.
struct SourceRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 1.0f;
    float bottom = 1.0f;
    bool operator==(const SourceRect&) const = default;
};

// 0 <= left < right <= 1 and 0 <= top < bottom <= 1 (false for anything not finite).
inline bool isSourceRect(const SourceRect& source)
{
    return source.left >= 0.0f && source.left < source.right && source.right <= 1.0f && source.top >= 0.0f &&
           source.top < source.bottom && source.bottom <= 1.0f;
}
