#include "common/Cp936.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace kdx {
namespace {

// One iconv conversion descriptor, closed on scope exit.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == iconv_t(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns false at an unconvertible or
    // incomplete sequence, leaving 'in' pointing at it.
    bool Run(char*& in, size_t& inLeft, std::string& out)
    {
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, size_t(outPtr - buffer));
            if (rc == size_t(-1) && errno != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

std::string EncodeCp936(std::u16string_view text, std::vector<size_t>* unmapped)
{
    Converter cv("CP936", "UTF-16LE");
    std::u16string units(text); // iconv wants a mutable buffer
    std::string out;
    out.reserve(units.size() * 2);
    char* in = reinterpret_cast<char*>(units.data());
    size_t inLeft = units.size() * 2;
    while (!cv.Run(in, inLeft, out)) {
        // Skip the whole offending character (a surrogate pair counts as one).
        size_t index = units.size() - inLeft / 2;
        size_t skip = (IsHighSurrogate(units[index]) && index + 1 < units.size() &&
                       IsLowSurrogate(units[index + 1])) ? 2 : 1;
        out.push_back('?');
        if (unmapped)
            unmapped->push_back(index);
        in += 2 * skip;
        inLeft -= 2 * skip;
    }
    return out;
}

std::u16string DecodeCp936(std::string_view bytes)
{
    Converter cv("UTF-16LE", "CP936");
    std::string copy(bytes);
    std::string raw;
    char* in = copy.data();
    size_t inLeft = copy.size();
    while (!cv.Run(in, inLeft, raw)) {
        raw.append("\xFD\xFF", 2); // U+FFFD
        ++in;
        --inLeft;
    }
    std::u16string out(raw.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(uint8_t(raw[2 * i]) | (uint8_t(raw[2 * i + 1]) << 8));
    return out;
}

} // namespace kdx
