// Text, Bytes and TextArray: the value types every routine is written in.
//
// A Text is a byte string in code page 936 (GBK) that never holds a NUL byte:
// whatever it is built from, it stops before the first NUL. Positions are
// 1-based byte positions, counts are byte counts, and the empty Text stands
// for "absent" as well.
//
//   Text t = "a;b";
//   text_length(t);          // 3
//   text_mid(t, 3, 10);      // "b"  (count clipped)
//
// Bytes may hold NUL bytes. TextArray is indexed 1 .. array_count().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velkoran {

class Text {
 public:
  Text() = default;
  Text(const char* bytes);         // NOLINT: literals read naturally as Text
  Text(std::string_view bytes);    // NOLINT
  Text(const std::string& bytes);  // NOLINT
  Text(std::string&& bytes);       // NOLINT

  const std::string& str() const { return data_; }
  std::string_view view() const { return data_; }
  const char* c_str() const { return data_.c_str(); }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  friend bool operator==(const Text&, const Text&) = default;

 private:
  std::string data_;
};

// A length-counted byte sequence; may hold NUL bytes.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string_view bytes) : data_(bytes) {}
  explicit Bytes(std::string&& bytes) : data_(std::move(bytes)) {}

  const std::string& str() const { return data_; }
  std::string_view view() const { return data_; }
  // The address handed to a platform call: null when empty.
  const unsigned char* data() const {
    return data_.empty() ? nullptr : reinterpret_cast<const unsigned char*>(data_.data());
  }
  unsigned char* mutable_data() {
    return data_.empty() ? nullptr : reinterpret_cast<unsigned char*>(data_.data());
  }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  friend bool operator==(const Bytes&, const Bytes&) = default;

 private:
  std::string data_;
};

// An ordered sequence of Text with 1-based indices; owns copies of its elements.
class TextArray {
 public:
  TextArray() = default;
  TextArray(std::initializer_list<Text> items) : items_(items) {}

  const std::vector<Text>& items() const { return items_; }
  std::vector<Text>& items() { return items_; }

  friend bool operator==(const TextArray&, const TextArray&) = default;

 private:
  std::vector<Text> items_;
};

}  // namespace velkoran
