// Block-wise writing of an extract file to its device.
#include "export/ExtractOutput.h"

#include "export/ExtractFileError.h"

#include <zlib.h>

namespace tramex {

ExtractOutput::ExtractOutput(QIODevice& device, std::string name)
    : device_(device), name_(std::move(name)) {
    pending_.reserve(kBlockSize + 4096);
}

void ExtractOutput::Flush() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        const qint64 written =
            device_.write(pending_.data() + done, static_cast<qint64>(pending_.size() - done));
        if (written <= 0) {
            pending_.clear();
            throw ExtractFileError::CannotWrite(name_, device_.errorString().toStdString());
        }
        written_.crc32 = static_cast<std::uint32_t>(
            crc32(written_.crc32, reinterpret_cast<const Bytef*>(pending_.data() + done),
                  static_cast<uInt>(written)));
        written_.size += static_cast<std::uint64_t>(written);
        done += static_cast<std::size_t>(written);
    }
    pending_.clear();
}

}  // namespace tramex
