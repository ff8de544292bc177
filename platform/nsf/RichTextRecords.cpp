#include "platform/nsf/RichTextRecords.h"

namespace mailshift::nsf {

bool CdRecordReader::Next(CdRecord& record) {
  if (broken_ || records_.size() - at_ < 2) return false;
  const unsigned char signature = static_cast<unsigned char>(records_[at_]);
  const unsigned char form = static_cast<unsigned char>(records_[at_ + 1]);
  const std::string_view rest = records_.substr(at_);
  std::size_t header = 2;
  std::uint64_t length = form;
  if (form == 0xFF) {
    header = 4;
    length = CdWord(rest, 2);
  } else if (form == 0) {
    header = 6;
    length = CdDword(rest, 2);
  }
  if (length < header || length > rest.size()) {
    broken_ = true;
    return false;
  }
  record.signature = signature;
  record.body = rest.substr(header, static_cast<std::size_t>(length) - header);
  at_ += static_cast<std::size_t>(length) + (length & 1);
  if (at_ > records_.size()) at_ = records_.size();  // the pad byte of the last record
  return true;
}

std::uint8_t CdByte(std::string_view body, std::size_t at) {
  return at < body.size() ? static_cast<std::uint8_t>(body[at]) : 0;
}

std::uint16_t CdWord(std::string_view body, std::size_t at) {
  return static_cast<std::uint16_t>(CdByte(body, at) | CdByte(body, at + 1) << 8);
}

std::uint32_t CdDword(std::string_view body, std::size_t at) {
  return static_cast<std::uint32_t>(CdWord(body, at)) | static_cast<std::uint32_t>(CdWord(body, at + 2))
                                                            << 16;
}

}  // namespace mailshift::nsf
