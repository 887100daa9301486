#pragma once
// Builds small TIFF files field by field for the reader tests: header, the strips,
// one directory (entries sorted by tag), values that do not fit in an entry after it.
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "imaging/core/stream.h"

namespace lumora::test {

class TTiffBuilder {
 public:
  explicit TTiffBuilder(bool bigEndian = false) : big_(bigEndian) {}

  // Sets a field (type 1 BYTE, 3 SHORT, 4 LONG, or any other number).
  TTiffBuilder& Set(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    fields_[tag] = {type, std::move(values)};
    return *this;
  }
  TTiffBuilder& Remove(std::uint16_t tag) {
    fields_.erase(tag);
    return *this;
  }
  // Adds a strip; StripOffsets (LONG) and StripByteCounts are filled in by Build
  // unless set explicitly.
  TTiffBuilder& Strip(std::vector<std::uint8_t> bytes) {
    strips_.push_back(std::move(bytes));
    return *this;
  }
  // The usual fields of a baseline image.
  TTiffBuilder& Basic(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> bits,
                      std::uint32_t photometric, std::uint32_t compression = 1) {
    Set(256, 4, {width});
    Set(257, 4, {height});
    Set(258, 3, bits);
    Set(259, 3, {compression});
    Set(262, 3, {photometric});
    Set(277, 3, {std::uint32_t(bits.size())});
    Set(278, 4, {height});
    return *this;
  }
  // The next-directory offset written after the entries (0 ends the chain).
  TTiffBuilder& NextDirectory(std::uint32_t offset) {
    next_ = offset;
    return *this;
  }

  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> out(8);
    out[0] = out[1] = big_ ? 'M' : 'I';
    Put16(out.data() + 2, 42);
    std::vector<std::uint32_t> offsets, counts;
    for (const auto& s : strips_) {
      if (out.size() & 1) out.push_back(0);
      offsets.push_back(std::uint32_t(out.size()));
      counts.push_back(std::uint32_t(s.size()));
      out.insert(out.end(), s.begin(), s.end());
    }
    if (out.size() & 1) out.push_back(0);
    auto fields = fields_;
    if (!strips_.empty() && !fields.count(273)) fields[273] = {4, offsets};
    if (!strips_.empty() && !fields.count(279)) fields[279] = {4, counts};
    const std::uint32_t directory = std::uint32_t(out.size());
    Put32(out.data() + 4, directory);
    const size_t entries = fields.size();
    out.resize(out.size() + 2 + 12 * entries + 4);
    Put16(out.data() + directory, std::uint32_t(entries));
    Put32(out.data() + directory + 2 + 12 * entries, next_);
    size_t i = 0;
    for (const auto& [tag, field] : fields) {
      const size_t e = directory + 2 + 12 * i++;
      Put16(out.data() + e, tag);
      Put16(out.data() + e + 2, field.type);
      Put32(out.data() + e + 4, std::uint32_t(field.values.size()));
      const int size = field.type == 1 ? 1 : field.type == 3 ? 2 : 4;
      std::vector<std::uint8_t> raw(field.values.size() * size_t(size));
      for (size_t k = 0; k < field.values.size(); ++k) {
        if (size == 1) raw[k] = std::uint8_t(field.values[k]);
        else if (size == 2) Put16(raw.data() + 2 * k, field.values[k]);
        else Put32(raw.data() + 4 * k, field.values[k]);
      }
      if (raw.size() <= 4) {
        std::copy(raw.begin(), raw.end(), out.begin() + std::ptrdiff_t(e + 8));
      } else {
        if (out.size() & 1) out.push_back(0);
        Put32(out.data() + e + 8, std::uint32_t(out.size()));
        out.insert(out.end(), raw.begin(), raw.end());
      }
    }
    return out;
  }

 private:
  struct TField {
    std::uint16_t type;
    std::vector<std::uint32_t> values;
  };
  void Put16(std::uint8_t* p, std::uint32_t v) const { big_ ? PutBE16(p, v) : PutLE16(p, v); }
  void Put32(std::uint8_t* p, std::uint32_t v) const { big_ ? PutBE32(p, v) : PutLE32(p, v); }

  bool big_;
  std::map<std::uint16_t, TField> fields_;
  std::vector<std::vector<std::uint8_t>> strips_;
  std::uint32_t next_ = 0;
};

}  // namespace lumora::test
