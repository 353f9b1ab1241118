// Internal to the data layer: the message buffers exchanged with the client
// library, for rows read from a cursor and for statement parameters.
#pragma once

#include "data/Connection.h"
#include "data/FbClient.h"

#include <vector>

namespace tramex::fb {

// The output format of a statement, with every column coerced to one the
// snapshot keeps (bytes or a scaled 64-bit integer), and one row buffer.
class OutputMessage {
  public:
    OutputMessage(Firebird::ThrowStatusWrapper* status, Firebird::IMessageMetadata* described);

    Firebird::IMessageMetadata* Metadata() const { return metadata_.Get(); }
    unsigned char* Buffer() { return buffer_.data(); }
    const std::vector<FieldDef>& Fields() const { return fields_; }
    const std::vector<std::string>& Columns() const { return columns_; }

    // The values of the row now in the buffer.
    const std::vector<CellValue>& Cells();

  private:
    struct Slot {
        unsigned type;
        unsigned offset;
        unsigned nullOffset;
    };

    Ref<Firebird::IMessageMetadata> metadata_;
    std::vector<unsigned char> buffer_;
    std::vector<Slot> slots_;
    std::vector<FieldDef> fields_;
    std::vector<std::string> columns_;
    std::vector<CellValue> cells_;
};

// An input message built from parameter values: text as VARCHAR without a
// character set (bytes travel unchanged), numbers as scaled BIGINT.
class InputMessage {
  public:
    InputMessage(Firebird::IMaster* master, Firebird::ThrowStatusWrapper* status,
                 const std::vector<SqlParameter>& parameters);

    Firebird::IMessageMetadata* Metadata() const { return metadata_.Get(); }
    unsigned char* Buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

  private:
    Ref<Firebird::IMessageMetadata> metadata_;
    std::vector<unsigned char> buffer_;
};

}  // namespace tramex::fb
