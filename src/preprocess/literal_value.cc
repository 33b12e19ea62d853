#include "preprocess/literal_value.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kNoDigit = 99;

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return kNoDigit;
}

LiteralValue failed(std::string error) {
  LiteralValue result;
  result.error = std::move(error);
  return result;
}

struct IntegerSuffix {
  bool valid = false;
  bool isUnsigned = false;
  bool imaginary = false;  // GNU: 1i, 2j
};

// GCC's interpret_int_suffix: u, l, ll (one case), z (C++ only), i or j,
// each at most once, in any order.
IntegerSuffix integerSuffix(std::string_view s, bool cplusplus) {
  int u = 0;
  int l = 0;
  int z = 0;
  int i = 0;
  for (std::size_t k = s.size(); k-- > 0;) {
    switch (s[k]) {
      case 'u':
      case 'U':
        ++u;
        break;
      case 'z':
      case 'Z':
        ++z;
        break;
      case 'i':
      case 'I':
      case 'j':
      case 'J':
        ++i;
        break;
      case 'l':
      case 'L':
        if (++l == 2 && s[k] != s[k + 1]) return {};
        break;
      default:
        return {};
    }
  }
  if (l > 2 || u > 1 || i > 1 || z > 1 || (z != 0 && (l != 0 || i != 0 || !cplusplus))) return {};
  return {true, u != 0, i != 0};
}

}  // namespace

LiteralValue numberValue(std::string_view text, const Language& language) {
  const auto at = [text](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
  int radix = 10;
  std::size_t k = 0;
  if (at(0) == '0') {
    radix = 8;
    k = 1;
    const char base = at(1);
    if ((base == 'x' || base == 'X') && (at(2) == '.' || digitValue(at(2)) < 16)) {
      radix = 16;
      k = 2;
    } else if ((base == 'b' || base == 'B') && (at(2) == '0' || at(2) == '1')) {
      radix = 2;
      k = 2;
    } else if ((base == 'x' || base == 'X' || base == 'b' || base == 'B') && at(2) == '\'') {
      return failed("digit separator after base indicator");
    }
  }
  const std::size_t digits = k;
  LiteralValue result;
  bool isFloat = false;
  bool separator = false;  // the last character was a digit separator
  int maxDigit = 0;
  for (; k < text.size(); ++k) {
    const char c = text[k];
    const int d = digitValue(c);
    if (d < 10 || (radix == 16 && d < 16)) {
      separator = false;
      maxDigit = std::max(maxDigit, d);
    } else if (c == '\'') {
      if (separator && result.error.empty()) result.error = "adjacent digit separators";
      separator = true;
    } else if (c == '.') {
      isFloat = true;
    } else if ((radix <= 10 && (c == 'e' || c == 'E')) || (radix == 16 && (c == 'p' || c == 'P'))) {
      isFloat = true;
      break;
    } else {
      break;
    }
  }
  if (isFloat) return failed("floating constant in preprocessor expression");
  if (separator) return failed("digit separator outside digit sequence");
  if (maxDigit >= radix) {
    return failed("invalid digit \"" + std::string(1, static_cast<char>('0' + maxDigit)) +
                  "\" in " + (radix == 2 ? "binary" : "octal") + " constant");
  }

  const std::string_view suffixText = text.substr(k);
  const bool cplusplus = language.dialect.cplusplus;
  const IntegerSuffix suffix = integerSuffix(suffixText, cplusplus);
  // C++ takes an unknown suffix for a user-defined literal, and so 1i
  // (std::complex since C++14) and, in the strict modes, GNU's 1j.
  bool userDefined = false;
  if (!suffix.valid) {
    if (!cplusplus) {
      return failed("invalid suffix \"" + std::string(suffixText) + "\" on integer constant");
    }
    userDefined = true;
  } else if (suffix.imaginary) {
    if (!cplusplus || (suffixText != "i" && !language.strict)) {
      return failed("imaginary number in preprocessor expression");
    }
    userDefined = true;
  }

  std::uint64_t bits = 0;
  bool overflow = false;
  const auto base = static_cast<std::uint64_t>(radix);
  for (std::size_t d = digits; d < k; ++d) {
    if (text[d] == '\'') continue;
    const auto digit = static_cast<std::uint64_t>(digitValue(text[d]));
    if (bits > (~std::uint64_t{0} - digit) / base) overflow = true;
    bits = bits * base + digit;  // modulo 2^64, as GCC truncates
  }
  result.value = {bits, suffix.isUnsigned && !userDefined};
  // Too large for intmax_t but not uintmax_t: unsigned. Too large for both:
  // truncated, the type unchanged (an error for clang, a warning for GCC).
  if ((!overflow || userDefined) && (bits >> 63) != 0) result.value.isUnsigned = true;
  if (userDefined && result.error.empty()) {
    result.error = "user-defined literal in preprocessor expression";
  }
  return result;
}

namespace {

// The characters of a character literal as code units of `width` bits,
// the way GCC converts them to the execution character set (UTF-8, -16 or
// -32).
class CharacterReader {
 public:
  CharacterReader(int width, bool cplusplus) : width_(width), cplusplus_(cplusplus) {}

  std::vector<std::uint32_t> read(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        i = escape(text, i + 1);
      } else {
        i = sourceCharacter(text, i);
      }
    }
    return units_;
  }

  std::string error;

 private:
  std::uint32_t mask() const {
    return width_ >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << width_) - 1;
  }

  void fail(std::string message) {
    if (error.empty()) error = std::move(message);
  }

  // A UTF-8 character of the source: one unit per byte in a narrow
  // literal, else decoded.
  std::size_t sourceCharacter(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (width_ == 8 || lead < 0x80) {
      units_.push_back(lead);
      return i + 1;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    std::uint32_t code = lead & (0x7Fu >> length);
    for (int k = 1; k < length; ++k) {
      const std::size_t at = i + static_cast<std::size_t>(k);
      const auto c = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
      if ((c & 0xC0) != 0x80) {
        code = kInvalid;
        break;
      }
      code = code << 6 | (c & 0x3Fu);
    }
    if (length == 0 || code == kInvalid) {
      fail(
          "converting to execution character set: Invalid or incomplete multibyte or wide "
          "character");
      units_.push_back(lead);
      return i + 1;
    }
    encode(code);
    return i + static_cast<std::size_t>(length);
  }

  void encode(std::uint32_t code) {
    if (width_ == 8) {
      if (code < 0x80) {
        units_.push_back(code);
        return;
      }
      // Beyond U+10FFFF the old five- and six-byte forms, as GCC writes them.
      constexpr std::uint32_t kLead[] = {0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
      int extra = 1;
      while (extra < 5 && code >= std::uint32_t{1} << (5 * extra + 6)) ++extra;
      units_.push_back(kLead[extra] | code >> (6 * extra));
      for (int k = extra - 1; k >= 0; --k) units_.push_back(0x80 | (code >> (6 * k) & 0x3F));
    } else if (width_ == 16 && code > 0x10FFFF) {
      fail("converting UCN to execution character set");
    } else if (width_ == 16 && code >= 0x10000) {
      units_.push_back(0xD800 | (code - 0x10000) >> 10);
      units_.push_back(0xDC00 | (code & 0x3FF));
    } else {
      units_.push_back(code & mask());
    }
  }

  // The escape sequence whose letter is at `i`; returns where it ends.
  std::size_t escape(std::string_view text, std::size_t i) {
    const char c = text[i];
    std::uint32_t value = 0;
    std::size_t end = i + 1;
    if (c == 'x') {
      while (end < text.size() && digitValue(text[end]) < 16) {
        value = value << 4 | static_cast<std::uint32_t>(digitValue(text[end++]));
      }
      if (end == i + 1) {
        fail("\\x used with no following hex digits");
        return end;
      }
      units_.push_back(value & mask());
    } else if (c >= '0' && c <= '7') {
      for (end = i; end < i + 3 && end < text.size() && text[end] >= '0' && text[end] <= '7';) {
        value = value << 3 | static_cast<std::uint32_t>(text[end++] - '0');
      }
      units_.push_back(value & mask());
    } else if (c == 'u' || c == 'U') {
      return universalCharacter(text, i);
    } else {
      constexpr std::string_view kFrom = "abfnrtveE";
      constexpr unsigned char kTo[] = {7, 8, 12, 10, 13, 9, 11, 27, 27};
      const std::size_t simple = kFrom.find(c);
      // Others (\\, \', \", \? and unknown ones) stand for themselves.
      if (simple == std::string_view::npos) return sourceCharacter(text, i);
      units_.push_back(kTo[simple]);
    }
    return end;
  }

  std::size_t universalCharacter(std::string_view text, std::size_t i) {
    const std::size_t length = text[i] == 'u' ? 4 : 8;
    std::uint32_t code = 0;
    std::size_t end = i + 1;
    while (end < text.size() && end <= i + length && digitValue(text[end]) < 16) {
      code = code << 4 | static_cast<std::uint32_t>(digitValue(text[end++]));
    }
    const std::string spelling = "\\" + std::string(text.substr(i, end - i));
    if (end != i + 1 + length) {
      fail("incomplete universal character name " + spelling);
      code = 1;
    } else if (code >= 0x80000000 || (code >= 0xD800 && code <= 0xDFFF) ||
               (!cplusplus_ && code < 0xA0 && code != 0x24 && code != 0x40 && code != 0x60)) {
      fail(spelling + " is not a valid universal character");
      code = 1;
    }
    encode(code);
    return end;
  }

  static constexpr std::uint32_t kInvalid = ~std::uint32_t{0};
  const int width_;
  const bool cplusplus_;
  std::vector<std::uint32_t> units_;
};

}  // namespace

LiteralValue characterValue(std::string_view text, const Language& language) {
  const std::size_t open = text.find('\'');
  const std::size_t close = text.rfind('\'');
  if (open == std::string_view::npos || close <= open)
    return failed("missing terminating ' character");
  const std::string_view prefix = text.substr(0, open);
  const bool cplusplus = language.dialect.cplusplus;
  const bool utf8 = prefix == "u8";
  const bool narrow = prefix.empty() || utf8;
  const int width = narrow ? 8 : prefix == "L" ? language.wcharBits : prefix == "u" ? 16 : 32;

  CharacterReader reader(width, cplusplus);
  const std::vector<std::uint32_t> units = reader.read(text.substr(open + 1, close - open - 1));
  LiteralValue result;
  result.error = std::move(reader.error);
  if (units.empty()) {
    if (result.error.empty()) result.error = "empty character constant";
    return result;
  }

  std::uint32_t value = 0;
  bool isUnsigned = false;
  int bits = width;
  const char* tooLong = "character constant too long for its type";
  if (narrow) {
    // A multi-character constant is an int of its last four characters.
    for (const std::uint32_t unit : units) value = value << 8 | (unit & 0xFF);
    const std::size_t maxChars = utf8 ? 1 : 4;
    if (units.size() > maxChars && utf8 && result.error.empty()) result.error = tooLong;
    const std::size_t count = std::min(units.size(), maxChars);
    if (count > 1) {
      bits = 32;
    } else {
      // GCC 12 gives u8'' the type char in C++, unsigned char in C.
      isUnsigned = utf8 && !cplusplus ? true : language.charIsUnsigned;
    }
  } else {
    // Only the last character counts (clang rejects L'ab').
    value = units.back();
    const bool utf = prefix != "L";
    if (units.size() > 1 && utf && cplusplus && result.error.empty()) result.error = tooLong;
    isUnsigned = utf || language.wcharIsUnsigned;
  }
  if (bits < 32) {
    const std::uint32_t mask = (std::uint32_t{1} << bits) - 1;
    const bool negative = !isUnsigned && (value >> (bits - 1) & 1) != 0;
    value = negative ? value | ~mask : value & mask;
  }
  result.value.isUnsigned = isUnsigned;
  result.value.bits = value;
  if (!isUnsigned && (value >> 31) != 0) result.value.bits |= ~std::uint64_t{0} << 32;
  return result;
}
