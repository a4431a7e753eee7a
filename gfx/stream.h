#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/exception.h"

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A byte stream with a position. Read and Write move as far as they can;
// ReadBuffer and WriteBuffer insist on the whole count.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  virtual std::int64_t Size() const = 0;

  // Bytes from the position to the end.
  std::int64_t Remaining() const {
    const std::int64_t r = Size() - Position();
    return r > 0 ? r : 0;
  }
  // EReadError "Stream read error" when fewer than count bytes are left.
  void ReadBuffer(void* buffer, std::size_t count);
  // EWriteError "Stream write error" when not all bytes are taken.
  void WriteBuffer(const void* buffer, std::size_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Position() const override { return position_; }
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  void Clear() {
    data_.clear();
    position_ = 0;
  }

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

// A read-only view of bytes owned elsewhere.
class TBytesStream : public TStream {
 public:
  TBytesStream(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
  void SetPosition(std::int64_t position) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};
