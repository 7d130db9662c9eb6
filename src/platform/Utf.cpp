#include "platform/Utf.h"

namespace dw {

namespace {

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// Decodes one sequence at i; returns its length, or 0 when it is invalid.
std::size_t DecodeOne(std::string_view text, std::size_t i, char32_t& c) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) {
    c = b;
    return 1;
  }
  std::size_t need = 0;
  char32_t min = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1, c = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2, c = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i <= need) return 0;
  for (std::size_t k = 1; k <= need; ++k) {
    const auto n = static_cast<unsigned char>(text[i + k]);
    if ((n & 0xC0) != 0x80) return 0;
    c = (c << 6) | (n & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return need + 1;
}

// UTF-8 of the text; with escapedBytes, U+DC80 to U+DCFF alone stand for
// the bytes 80 to FF.
std::string Encode(std::u16string_view text, bool escapedBytes) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (escapedBytes && c >= 0xDC80 && c <= 0xDCFF) {
      out += static_cast<char>(c - 0xDC00);
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-8 to UTF-16. A byte that is not UTF-8 becomes U+FFFD, or with
// escapedBytes the lone surrogate U+DC00 + byte (U+DC80 to U+DCFF), which
// Encode turns back.
std::u16string Decode(std::string_view bytes, bool escapedBytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t len = DecodeOne(bytes, i, c);
    if (len == 0) {
      c = escapedBytes ? 0xDC00 + static_cast<unsigned char>(bytes[i]) : U'\uFFFD';
    }
    AppendCodePoint(out, c);
    i += len ? len : 1;
  }
  return out;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  return Encode(text, false);
}

std::string PathToBytes(std::u16string_view path) {
  return Encode(path, true);
}

std::u16string FromUtf8(std::string_view text) {
  return Decode(text, false);
}

std::u16string PathFromBytes(std::string_view bytes) {
  return Decode(bytes, true);
}

bool DecodeUtf8Strict(std::string_view bytes, std::u16string& out) {
  out.clear();
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    // ASCII runs are the common case in folder lists.
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t len = DecodeOne(bytes, i, c);
    if (len == 0) return false;
    AppendCodePoint(out, c);
    i += len;
  }
  return true;
}

}  // namespace dw
