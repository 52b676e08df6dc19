#include "odbc/packed_row.h"

#include <cstdint>
#include <cstring>

namespace tallyvane::odbc {
namespace {

template <typename T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Take(const std::string& packed, std::size_t* offset) {
  T value;
  std::memcpy(&value, packed.data() + *offset, sizeof value);
  *offset += sizeof value;
  return value;
}

// A text's length in 7-bit groups, low first: one byte for most texts.
void PutLength(std::string& out, std::size_t length) {
  do {
    const auto low = static_cast<unsigned char>(length & 0x7F);
    length >>= 7;
    out.push_back(static_cast<char>(length != 0 ? low | 0x80 : low));
  } while (length != 0);
}

std::size_t TakeLength(const std::string& packed, std::size_t* offset) {
  std::size_t length = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(packed[(*offset)++]);
    length |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return length;
  }
}

bool HasText(Value::Kind kind) {
  return kind == Value::Kind::Text || kind == Value::Kind::Binary || kind == Value::Kind::Decimal;
}

bool HasDateTime(Value::Kind kind) {
  return kind == Value::Kind::Date || kind == Value::Kind::Time || kind == Value::Kind::DateTime;
}

// The fixed-size part of a value of kind, after its kind byte.
std::size_t FixedBytes(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Integer:
    case Value::Kind::Number:
    case Value::Kind::Decimal: return 8;
    case Value::Kind::Boolean: return 1;
    case Value::Kind::Date:
    case Value::Kind::Time:
    case Value::Kind::DateTime: return sizeof(DateTime);
    default: return 0;
  }
}

std::size_t LengthBytes(std::size_t length) {
  std::size_t bytes = 1;
  while (length >>= 7) ++bytes;
  return bytes;
}

}  // namespace

std::string PackRow(const std::vector<Value>& row) {
  // The exact size: a long text is copied once, never again to grow or
  // shrink the block.
  std::size_t size = 0;
  for (const Value& value : row) {
    size += 1 + FixedBytes(value.kind);
    if (HasText(value.kind)) size += LengthBytes(value.text.size()) + value.text.size();
  }
  std::string out;
  out.reserve(size);
  for (const Value& value : row) {
    out.push_back(static_cast<char>(value.kind));
    switch (value.kind) {
      case Value::Kind::Integer: Put(out, value.integer); break;
      case Value::Kind::Number:
      case Value::Kind::Decimal: Put(out, value.number); break;
      case Value::Kind::Boolean: out.push_back(value.boolean ? 1 : 0); break;
      default:
        if (HasDateTime(value.kind)) Put(out, value.date_time);
        break;
    }
    if (HasText(value.kind)) {
      PutLength(out, value.text.size());
      out += value.text;
    }
  }
  return out;
}

Value UnpackValue(const std::string& packed, std::size_t* offset) {
  Value value;
  value.kind = static_cast<Value::Kind>(packed[(*offset)++]);
  switch (value.kind) {
    case Value::Kind::Integer:
      value.integer = Take<std::int64_t>(packed, offset);
      value.number = static_cast<double>(value.integer);
      break;
    case Value::Kind::Number:
    case Value::Kind::Decimal: value.number = Take<double>(packed, offset); break;
    case Value::Kind::Boolean: value.boolean = packed[(*offset)++] != 0; break;
    default:
      if (HasDateTime(value.kind)) value.date_time = Take<DateTime>(packed, offset);
      break;
  }
  if (HasText(value.kind)) {
    const std::size_t length = TakeLength(packed, offset);
    value.text.assign(packed, *offset, length);
    *offset += length;
  }
  return value;
}

void SkipValue(const std::string& packed, std::size_t* offset) {
  const auto kind = static_cast<Value::Kind>(packed[(*offset)++]);
  *offset += FixedBytes(kind);
  if (HasText(kind)) {
    const std::size_t length = TakeLength(packed, offset);
    *offset += length;
  }
}

}  // namespace tallyvane::odbc
