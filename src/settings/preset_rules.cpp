// Saved setups: their names and what a preset file must hold.
#include "settings/preset_rules.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

// The code points of `text`, or nothing when it is not well-formed UTF-8 (overlong forms and
// surrogates included).
std::optional<std::u32string> decodeUtf8(std::string_view text)
{
    std::u32string decoded;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return std::nullopt;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t next = 1; next < length; ++next) {
            const auto trail = static_cast<unsigned char>(text[at + next]);
            if ((trail >> 6) != 0x2)
                return std::nullopt;
            point = (point << 6) | (trail & 0x3F);
        }
        constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        decoded.push_back(point);
        at += length;
    }
    return decoded;
}

// The Latin letters, plain and accented: Latin-1's letters (not its multiplication and division signs),
// Latin Extended-A and -B, and Latin Extended Additional.
bool isLetter(char32_t point)
{
    if ((point >= U'a' && point <= U'z') || (point >= U'A' && point <= U'Z'))
        return true;
    if (point >= 0xC0 && point <= 0x24F)
        return point != 0xD7 && point != 0xF7;
    return point >= 0x1E00 && point <= 0x1EFF;
}

bool isNameCharacter(char32_t point)
{
    return isLetter(point) || (point >= U'0' && point <= U'9') || point == U' ' || point == U'-' || point == U'_';
}

char32_t upper(char32_t point)
{
    return point >= U'a' && point <= U'z' ? point - (U'a' - U'A') : point;
}

// Windows opens a device for these names, whatever the case and with spaces around them.
bool isDeviceName(const std::u32string& name)
{
    const std::size_t first = name.find_first_not_of(U' ');
    const std::size_t last = name.find_last_not_of(U' ');
    std::u32string word;
    for (std::size_t at = first; at <= last; ++at)
        word.push_back(upper(name[at]));
    for (const char32_t* device : {U"CON", U"PRN", U"AUX", U"NUL"})
        if (word == device)
            return true;
    const bool numbered = word.size() == 4 && word[3] >= U'0' && word[3] <= U'9';
    return numbered && (word.compare(0, 3, U"COM") == 0 || word.compare(0, 3, U"LPT") == 0);
}

} // namespace

PresetNameFault presetNameFault(std::string_view name)
{
    if (name.empty())
        return PresetNameFault::Empty;
    const auto points = decodeUtf8(name);
    if (!points)
        return PresetNameFault::Character;
    if (points->size() > kMostPresetNameCharacters)
        return PresetNameFault::TooLong;
    for (const char32_t point : *points)
        if (!isNameCharacter(point))
            return PresetNameFault::Character;
    if (points->find_first_not_of(U' ') == std::u32string::npos)
        return PresetNameFault::OnlySpaces;
    if (isDeviceName(*points))
        return PresetNameFault::Reserved;
    return PresetNameFault::None;
}

std::optional<Calibration> readPresetText(std::string_view text)
{
    SettingsValues values;
    const SettingsReading reading = readSettingsText(text, values);
    if (!reading.readWhole || !reading.ignored.empty())
        return std::nullopt;
    return values.outputs;
}
