// Test devices: one that accepts a fixed number of bytes and then fails the
// way a full disk does, one that records the size of every write.
#pragma once

#include <QIODevice>

#include <string>
#include <vector>

namespace tramex::test {

class FailingDevice : public QIODevice {
  public:
    explicit FailingDevice(qint64 capacity) : capacity_(capacity) { open(QIODevice::WriteOnly); }
    const std::string& Accepted() const { return accepted_; }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const qint64 room = capacity_ - static_cast<qint64>(accepted_.size());
        if (room <= 0) {
            setErrorString("No queda espacio en el dispositivo");
            return -1;
        }
        const qint64 taken = size < room ? size : room;
        accepted_.append(data, static_cast<std::size_t>(taken));
        return taken;
    }

  private:
    qint64 capacity_;
    std::string accepted_;
};

class RecordingDevice : public QIODevice {
  public:
    RecordingDevice() { open(QIODevice::WriteOnly); }
    const std::string& Bytes() const { return bytes_; }
    const std::vector<qint64>& WriteSizes() const { return sizes_; }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        bytes_.append(data, static_cast<std::size_t>(size));
        sizes_.push_back(size);
        return size;
    }

  private:
    std::string bytes_;
    std::vector<qint64> sizes_;
};

}  // namespace tramex::test
