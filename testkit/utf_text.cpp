// UTF-8 and UTF-16 conversion, texts for a person, and UTF-16 units as registry bytes.
#include "testkit/utf_text.h"

#include <cstdio>

namespace testkit {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
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

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    size_t extra = 0;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      extra = 3;
    }
    bool ok = b < 0x80 || extra != 0;
    for (size_t k = 1; ok && k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
        ok = false;
      else
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    if (!ok) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  size_t plain = 0;  // start of the run of units that need no escape
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    const char16_t c = end ? u'\0' : text[i];
    if (!end && c >= 0x20 && c != u'"' && c != u'\\') continue;
    out += ToUtf8(text.substr(plain, i - plain));
    plain = i + 1;
    if (end) break;
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out + "\"";
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

void AppendUnitBytes(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
}

std::vector<std::uint8_t> UnitBytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  AppendUnitBytes(bytes, text);
  return bytes;
}

std::u16string UnitsOfBytes(const std::vector<std::uint8_t>& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return units;
}

}  // namespace testkit
