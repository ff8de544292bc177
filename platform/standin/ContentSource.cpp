#include "platform/standin/ContentSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "common/Base64.h"

namespace mailshift::standin {
namespace {

class Bytes : public ContentSource {
 public:
  explicit Bytes(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(std::span<char> buffer) override {
    const std::size_t count = std::min(buffer.size(), bytes_.size() - offset_);
    std::memcpy(buffer.data(), bytes_.data() + offset_, count);
    offset_ += count;
    return count;
  }

 private:
  std::string bytes_;
  std::size_t offset_ = 0;
};

class File : public ContentSource {
 public:
  explicit File(std::filesystem::path path) : path_(std::move(path)) {}
  ~File() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  std::size_t Read(std::span<char> buffer) override {
    if (file_ == nullptr) {
      file_ = std::fopen(path_.c_str(), "rb");
      if (file_ == nullptr) Fail();
    }
    const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), file_);
    if (count < buffer.size() && std::ferror(file_)) Fail();
    return count;
  }

 private:
  [[noreturn]] void Fail() const {
    throw std::runtime_error("cannot read " + path_.string() + ": " + std::strerror(errno));
  }

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
};

class Base64Text : public ContentSource {
 public:
  explicit Base64Text(std::string_view text) : text_(text) {}
  std::size_t Read(std::span<char> buffer) override {
    return decoder_.Decode(text_, position_, buffer.data(), buffer.size());
  }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  Base64Decoder decoder_;
};

}  // namespace

std::unique_ptr<ContentSource> BytesContent(std::string bytes) {
  return std::make_unique<Bytes>(std::move(bytes));
}

std::unique_ptr<ContentSource> FileContent(std::filesystem::path file) {
  return std::make_unique<File>(std::move(file));
}

std::unique_ptr<ContentSource> Base64Content(std::string_view text) {
  if (!IsBase64(text)) throw std::invalid_argument("not base64");
  return std::make_unique<Base64Text>(text);
}

}  // namespace mailshift::standin
