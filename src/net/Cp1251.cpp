#include "net/Cp1251.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace pimra::net {
namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("iconv cannot convert between UTF-8 and CP1251");
        }
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input. `onBadInput` is asked how many input bytes to skip when a
    // character cannot be converted; returning 0 stops the conversion with failure.
    template <typename OnBadInput>
    bool Convert(std::string_view input, std::string& output, OnBadInput onBadInput) {
        output.clear();
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[256];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (rc != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a character cut short at the end of the input).
            const std::size_t skip = onBadInput(std::string_view(in, inLeft));
            if (skip == 0) {
                return false;
            }
            output.push_back('?');
            in += skip;
            inLeft -= skip;
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

  private:
    iconv_t handle_;
};

// Length of the UTF-8 sequence that starts the text, 1 for a stray byte.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = lead <= 0xEF ? 3 : 1;
    } else if (lead >= 0xC2) {
        length = 2;
    }
    if (length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return i;
        }
    }
    return length;
}

// Opening a converter costs far more than a short conversion; each thread keeps its own.
Converter& ToCp1251() {
    thread_local Converter converter("CP1251", "UTF-8");
    return converter;
}

Converter& FromCp1251() {
    thread_local Converter converter("UTF-8", "CP1251");
    return converter;
}

}  // namespace

std::optional<std::string> Utf8ToCp1251(std::string_view utf8) {
    std::string result;
    if (!ToCp1251().Convert(utf8, result, [](std::string_view) { return std::size_t{0}; })) {
        return std::nullopt;
    }
    return result;
}

std::string Utf8ToCp1251Lossy(std::string_view utf8) {
    std::string result;
    ToCp1251().Convert(utf8, result, Utf8SequenceLength);
    return result;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string result;
    FromCp1251().Convert(cp1251, result, [](std::string_view) { return std::size_t{1}; });
    return result;
}

std::optional<std::string> Cp1251ToUtf8Strict(std::string_view cp1251) {
    std::string result;
    if (!FromCp1251().Convert(cp1251, result, [](std::string_view) { return std::size_t{0}; })) {
        return std::nullopt;
    }
    return result;
}

bool FitsCp1251(std::string_view utf8) {
    return Utf8ToCp1251(utf8).has_value();
}

std::string ThroughCp1251(std::string_view utf8) {
    return Cp1251ToUtf8(Utf8ToCp1251Lossy(utf8));
}

}  // namespace pimra::net
