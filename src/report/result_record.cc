#include <cstdio>
#include <vector>

#include "base/printable_text.h"
#include "report/device_result.h"

namespace vornel {
namespace {

// One value of a record as read: a string, a number (its text), or null.
struct JsonValue {
  enum class Kind { kString, kNumber, kNull } kind = Kind::kNull;
  std::string text;
};

void append_string(std::string_view text, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  out->push_back('"');
  for (char c : valid_utf8(text)) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(c);
    } else if (byte < 0x20 || byte == 0x7f) {
      *out += "\\u00";
      out->push_back(kHex[byte >> 4]);
      out->push_back(kHex[byte & 0xf]);
    } else {
      out->push_back(c);
    }
  }
  out->push_back('"');
}

std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool digits(std::string_view text, std::size_t at, std::size_t count, int* value) {
  if (at + count > text.size()) return false;
  *value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

// "YYYY-MM-DDTHH:MM:SS.mmmZ", as iso8601_utc writes it.
bool read_time(const JsonValue& value, std::int64_t* ms) {
  const std::string& t = value.text;
  int y, mo, d, h, mi, s, milli;
  if (value.kind != JsonValue::Kind::kString || t.size() != 24 || t[4] != '-' || t[7] != '-' ||
      t[10] != 'T' || t[13] != ':' || t[16] != ':' || t[19] != '.' || t[23] != 'Z' ||
      !digits(t, 0, 4, &y) || !digits(t, 5, 2, &mo) || !digits(t, 8, 2, &d) ||
      !digits(t, 11, 2, &h) || !digits(t, 14, 2, &mi) || !digits(t, 17, 2, &s) ||
      !digits(t, 20, 3, &milli) || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 ||
      s > 60)
    return false;
  std::int64_t days = days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
  *ms = ((days * 24 + h) * 60 + mi) * 60000 + s * 1000 + milli;
  return true;
}

bool read_text(const JsonValue& value, std::string* text) {
  if (value.kind != JsonValue::Kind::kString) return false;
  *text = value.text;
  return true;
}

// An integer of at most 18 digits, optionally negative.
bool read_integer(const JsonValue& value, std::int64_t* number) {
  const std::string& t = value.text;
  if (value.kind != JsonValue::Kind::kNumber) return false;
  std::size_t begin = !t.empty() && t[0] == '-' ? 1 : 0;
  if (t.size() == begin || t.size() - begin > 18) return false;
  std::int64_t n = 0;
  for (std::size_t i = begin; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    n = n * 10 + (t[i] - '0');
  }
  *number = begin == 1 ? -n : n;
  return true;
}

template <typename Int>
bool read_optional(const JsonValue& value, Int* number) {
  std::int64_t wide = 0;
  if (value.kind == JsonValue::Kind::kNull) {
    *number = 0;
    return true;
  }
  if (!read_integer(value, &wide)) return false;
  *number = static_cast<Int>(wide);
  return true;
}

// Seconds as a decimal number, "12.345" as the writer gives them; other
// writers' forms ("12", "0.04") too. Milliseconds past the third decimal are
// dropped.
bool read_seconds(const JsonValue& value, std::int64_t* ms) {
  const std::string& t = value.text;
  std::size_t dot = t.find('.');
  std::string whole_digits = t.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : t.substr(dot + 1);
  if (value.kind != JsonValue::Kind::kNumber || whole_digits.empty() ||
      (dot != std::string::npos && fraction.empty()) ||
      fraction.find_first_not_of("0123456789") != std::string::npos)
    return false;
  fraction = (fraction + "000").substr(0, 3);
  std::int64_t seconds, milli;
  if (!read_integer({JsonValue::Kind::kNumber, whole_digits}, &seconds) ||
      !read_integer({JsonValue::Kind::kNumber, fraction}, &milli) || seconds < 0)
    return false;
  *ms = seconds * 1000 + milli;
  return true;
}

struct Field {
  const char* name;
  void (*write)(const DeviceResult& result, std::string* out);
  bool (*read)(const JsonValue& value, DeviceResult* result);
};

// The one definition of the record: names, order, writers and readers.
constexpr Field kFields[] = {
    {"line", [](const DeviceResult& r, std::string* out) { *out += std::to_string(r.line); },
     [](const JsonValue& v, DeviceResult* r) {
       std::int64_t line;
       if (!read_integer(v, &line) || line < 0) return false;
       r->line = static_cast<long>(line);
       return true;
     }},
    {"address", [](const DeviceResult& r, std::string* out) { append_string(r.address, out); },
     [](const JsonValue& v, DeviceResult* r) { return read_text(v, &r->address); }},
    {"ini_file", [](const DeviceResult& r, std::string* out) { append_string(r.ini_file, out); },
     [](const JsonValue& v, DeviceResult* r) { return read_text(v, &r->ini_file); }},
    {"outcome",
     [](const DeviceResult& r, std::string* out) {
       append_string(device_outcome_name(r.outcome), out);
     },
     [](const JsonValue& v, DeviceResult* r) {
       std::optional<DeviceOutcome> outcome = device_outcome_of(v.text);
       if (v.kind != JsonValue::Kind::kString || !outcome) return false;
       r->outcome = *outcome;
       return true;
     }},
    {"status",
     [](const DeviceResult& r, std::string* out) {
       *out += r.status > 0 ? std::to_string(r.status) : "null";
     },
     [](const JsonValue& v, DeviceResult* r) { return read_optional(v, &r->status); }},
    {"reason", [](const DeviceResult& r, std::string* out) { append_string(r.reason, out); },
     [](const JsonValue& v, DeviceResult* r) { return read_text(v, &r->reason); }},
    {"firmware",
     [](const DeviceResult& r, std::string* out) {
       *out += r.firmware ? std::to_string(*r.firmware) : "null";
     },
     [](const JsonValue& v, DeviceResult* r) {
       std::int64_t version;
       if (v.kind == JsonValue::Kind::kNull) {
         r->firmware.reset();
         return true;
       }
       if (!read_integer(v, &version) || version < 0 || version > INT32_MAX) return false;
       r->firmware = static_cast<std::int32_t>(version);
       return true;
     }},
    {"fetched", [](const DeviceResult& r, std::string* out) { append_string(r.fetched, out); },
     [](const JsonValue& v, DeviceResult* r) { return read_text(v, &r->fetched); }},
    {"start",
     [](const DeviceResult& r, std::string* out) { append_string(iso8601_utc(r.start_ms), out); },
     [](const JsonValue& v, DeviceResult* r) { return read_time(v, &r->start_ms); }},
    {"end",
     [](const DeviceResult& r, std::string* out) { append_string(iso8601_utc(r.end_ms), out); },
     [](const JsonValue& v, DeviceResult* r) { return read_time(v, &r->end_ms); }},
    {"duration",
     [](const DeviceResult& r, std::string* out) {
       std::int64_t ms = r.duration_ms < 0 ? 0 : r.duration_ms;
       char text[32];
       std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                     static_cast<long long>(ms % 1000));
       *out += text;
     },
     [](const JsonValue& v, DeviceResult* r) { return read_seconds(v, &r->duration_ms); }},
};

// Reads one JSON object of plain values: strings, numbers and null.
class ObjectReader {
 public:
  explicit ObjectReader(std::string_view text) : text_(text) {}

  template <typename Each>
  bool read(Each each) {
    if (!take('{')) return false;
    if (take('}')) return at_end();
    for (;;) {
      std::string key;
      JsonValue value;
      if (!string(&key) || !take(':') || !read_value(&value)) return false;
      each(key, value);
      if (take('}')) return at_end();
      if (!take(',')) return false;
    }
  }

 private:
  void blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                  text_[at_] == '\r' || text_[at_] == '\n'))
      ++at_;
  }
  bool take(char c) {
    blanks();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool at_end() {
    blanks();
    return at_ == text_.size();
  }
  bool read_value(JsonValue* value) {
    blanks();
    if (at_ < text_.size() && text_[at_] == '"') {
      value->kind = JsonValue::Kind::kString;
      return string(&value->text);
    }
    if (text_.substr(at_, 4) == "null") {
      at_ += 4;
      value->kind = JsonValue::Kind::kNull;
      return true;
    }
    std::size_t begin = at_;
    while (at_ < text_.size() && std::string_view("-+.0123456789eE").find(text_[at_]) !=
                                     std::string_view::npos)
      ++at_;
    value->kind = JsonValue::Kind::kNumber;
    value->text = text_.substr(begin, at_ - begin);
    return at_ > begin;
  }
  bool hex4(unsigned* code) {
    if (at_ + 4 > text_.size()) return false;
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[at_++];
      unsigned digit = c >= '0' && c <= '9'   ? unsigned(c - '0')
                       : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                       : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                              : 16u;
      if (digit == 16) return false;
      *code = *code * 16 + digit;
    }
    return true;
  }
  static void append_code_point(unsigned code, std::string* out) {
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xc0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
      out->push_back(static_cast<char>(0xe0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else {
      out->push_back(static_cast<char>(0xf0 | (code >> 18)));
      out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3f)));
    }
  }
  bool string(std::string* out) {
    out->clear();
    if (!take('"')) return false;
    while (at_ < text_.size()) {
      char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      char e = text_[at_++];
      unsigned code = 0;
      switch (e) {
        case '"': case '\\': case '/': out->push_back(e); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'n': out->push_back('\n'); break;
        case 'r': out->push_back('\r'); break;
        case 't': out->push_back('\t'); break;
        case 'u':
          if (!hex4(&code)) return false;
          if (code >= 0xd800 && code < 0xdc00) {
            unsigned low;
            if (text_.substr(at_, 2) != "\\u") return false;
            at_ += 2;
            if (!hex4(&low) || low < 0xdc00 || low > 0xdfff) return false;
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
          } else if (code >= 0xdc00 && code < 0xe000) {
            return false;
          }
          append_code_point(code, out);
          break;
        default:
          return false;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const char* device_outcome_name(DeviceOutcome outcome) {
  switch (outcome) {
    case DeviceOutcome::kOk:
      return "ok";
    case DeviceOutcome::kSkipped:
      return "skipped";
    case DeviceOutcome::kReady:
      return "ready";
    case DeviceOutcome::kFailed:
      break;
  }
  return "failed";
}

std::optional<DeviceOutcome> device_outcome_of(std::string_view name) {
  for (DeviceOutcome outcome : {DeviceOutcome::kOk, DeviceOutcome::kFailed,
                                DeviceOutcome::kSkipped, DeviceOutcome::kReady}) {
    if (name == device_outcome_name(outcome)) return outcome;
  }
  return std::nullopt;
}

std::string result_record(const DeviceResult& result) {
  std::string line = "{";
  for (const Field& field : kFields) {
    if (line.size() > 1) line += ",";
    append_string(field.name, &line);
    line += ":";
    field.write(result, &line);
  }
  return line + "}\n";
}

bool read_result_record(std::string_view line, DeviceResult* result) {
  DeviceResult read;
  std::vector<bool> seen(std::size(kFields), false);
  bool fields_ok = true;
  bool whole = ObjectReader(line).read([&](const std::string& key, const JsonValue& value) {
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
      if (key != kFields[i].name) continue;
      seen[i] = true;
      fields_ok = fields_ok && kFields[i].read(value, &read);
    }
  });
  for (bool field_seen : seen) fields_ok = fields_ok && field_seen;
  if (!whole || !fields_ok) return false;
  *result = std::move(read);
  return true;
}

std::string iso8601_utc(std::int64_t utc_ms) {
  std::int64_t days = utc_ms >= 0 ? utc_ms / 86400000 : (utc_ms - 86399999) / 86400000;
  std::int64_t ms_of_day = utc_ms - days * 86400000;
  // civil_from_days (Howard Hinnant's algorithm): no time zone, no locale.
  std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
  const unsigned ms = static_cast<unsigned>(ms_of_day);  // 0 to 86,399,999
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u.%03uZ",
                static_cast<long long>(y), m, d, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                ms % 1000);
  return text;
}

}  // namespace vornel
