// OSC 1.0: big-endian 32-bit numbers, strings padded with zeros to a multiple of 4 bytes.
#include "remote/osc_packet.h"

#include <cstring>

namespace {

constexpr std::string_view kBundleTag("#bundle\0", 8);

// Reads forward through a packet's bytes; every read fails, and leaves the reader failed, once the bytes
// do not hold what is asked.
class PacketReader {
public:
    explicit PacketReader(std::string_view bytes) : bytes_(bytes) {}

    bool atEnd() const { return at_ == bytes_.size(); }

    std::optional<uint32_t> word()
    {
        if (bytes_.size() - at_ < 4)
            return std::nullopt;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(bytes_[at_ + static_cast<std::size_t>(i)]);
        at_ += 4;
        return value;
    }

    std::optional<std::string> string()
    {
        const std::size_t end = bytes_.find('\0', at_);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::size_t padded = (end - at_) / 4 * 4 + 4;
        if (bytes_.size() - at_ < padded)
            return std::nullopt;
        for (std::size_t pad = end; pad < at_ + padded; ++pad)
            if (bytes_[pad] != '\0')
                return std::nullopt;
        std::string text(bytes_.substr(at_, end - at_));
        at_ += padded;
        return text;
    }

    // The next `size` bytes, skipped.
    std::optional<std::string_view> part(std::size_t size)
    {
        if (bytes_.size() - at_ < size)
            return std::nullopt;
        const std::string_view taken = bytes_.substr(at_, size);
        at_ += size;
        return taken;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

std::optional<OscArgument> readArgument(char tag, PacketReader& reader)
{
    OscArgument argument;
    switch (tag) {
    case 'i': {
        const auto word = reader.word();
        if (!word)
            return std::nullopt;
        argument.type = OscArgument::Type::Int;
        argument.integer = static_cast<int32_t>(*word);
        return argument;
    }
    case 'f': {
        const auto word = reader.word();
        if (!word)
            return std::nullopt;
        argument.type = OscArgument::Type::Float;
        std::memcpy(&argument.real, &*word, sizeof argument.real);
        return argument;
    }
    case 's': {
        auto text = reader.string();
        if (!text)
            return std::nullopt;
        argument.type = OscArgument::Type::String;
        argument.text = std::move(*text);
        return argument;
    }
    case 'T': argument.type = OscArgument::Type::True; return argument;
    case 'F': argument.type = OscArgument::Type::False; return argument;
    default: return std::nullopt;
    }
}

bool readMessage(std::string_view bytes, std::vector<OscMessage>& messages)
{
    PacketReader reader(bytes);
    OscMessage message;
    auto address = reader.string();
    auto tags = reader.string();
    if (!address || address->empty() || address->front() != '/' || !tags || tags->empty() || tags->front() != ',')
        return false;
    message.address = std::move(*address);
    for (std::size_t at = 1; at < tags->size(); ++at) {
        auto argument = readArgument((*tags)[at], reader);
        if (!argument)
            return false;
        message.arguments.push_back(std::move(*argument));
    }
    if (!reader.atEnd())
        return false;
    messages.push_back(std::move(message));
    return true;
}

bool readElement(std::string_view bytes, int32_t depth, std::vector<OscMessage>& messages);

bool readBundle(std::string_view bytes, int32_t depth, std::vector<OscMessage>& messages)
{
    if (depth > kMostBundleDepth)
        return false;
    PacketReader reader(bytes);
    reader.part(kBundleTag.size());
    // The time tag: every command is carried out now.
    if (!reader.word() || !reader.word())
        return false;
    while (!reader.atEnd()) {
        const auto size = reader.word();
        if (!size || *size == 0 || *size % 4 != 0)
            return false;
        const auto element = reader.part(*size);
        if (!element || !readElement(*element, depth, messages))
            return false;
    }
    return true;
}

bool readElement(std::string_view bytes, int32_t depth, std::vector<OscMessage>& messages)
{
    if (bytes.substr(0, kBundleTag.size()) == kBundleTag)
        return readBundle(bytes, depth + 1, messages);
    return readMessage(bytes, messages);
}

void appendWord(std::string& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void appendString(std::string& bytes, std::string_view text)
{
    bytes.append(text);
    bytes.append(4 - text.size() % 4, '\0');
}

} // namespace

std::optional<std::vector<OscMessage>> readOscPacket(std::string_view bytes)
{
    std::vector<OscMessage> messages;
    if (bytes.empty() || bytes.size() % 4 != 0 || !readElement(bytes, 0, messages))
        return std::nullopt;
    return messages;
}

std::string oscMessageBytes(const OscMessage& message)
{
    std::string tags = ",";
    for (const OscArgument& argument : message.arguments) {
        constexpr char kTags[] = {'i', 'f', 's', 'T', 'F'};
        tags.push_back(kTags[static_cast<int>(argument.type)]);
    }
    std::string bytes;
    appendString(bytes, message.address);
    appendString(bytes, tags);
    for (const OscArgument& argument : message.arguments) {
        if (argument.type == OscArgument::Type::Int) {
            appendWord(bytes, static_cast<uint32_t>(argument.integer));
        } else if (argument.type == OscArgument::Type::Float) {
            uint32_t word = 0;
            std::memcpy(&word, &argument.real, sizeof word);
            appendWord(bytes, word);
        } else if (argument.type == OscArgument::Type::String) {
            appendString(bytes, argument.text);
        }
    }
    return bytes;
}

std::optional<bool> oscSwitch(const OscArgument& argument)
{
    switch (argument.type) {
    case OscArgument::Type::True: return true;
    case OscArgument::Type::False: return false;
    case OscArgument::Type::Int:
        if (argument.integer == 0 || argument.integer == 1)
            return argument.integer == 1;
        return std::nullopt;
    case OscArgument::Type::Float:
        if (argument.real == 0.0f || argument.real == 1.0f)
            return argument.real == 1.0f;
        return std::nullopt;
    case OscArgument::Type::String: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<float> oscNumber(const OscArgument& argument)
{
    if (argument.type == OscArgument::Type::Int)
        return static_cast<float>(argument.integer);
    if (argument.type == OscArgument::Type::Float)
        return argument.real;
    return std::nullopt;
}
