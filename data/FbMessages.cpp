// Row and parameter buffers laid out by the client's own metadata offsets.
#include "data/FbMessages.h"

#include "data/DatabaseError.h"

#include <cstring>

namespace tramex::fb {
namespace {

using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::ThrowStatusWrapper;

// Dates, times, floating and boolean columns are read as the engine's own
// text for them; the export never reads such columns as numbers.
constexpr unsigned kTextForOtherTypes = 64;

FieldKind KindOf(unsigned type, int scale) {
    if (type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64)
        return scale < 0 ? FieldKind::Decimal : FieldKind::Integer;
    return FieldKind::Text;
}

int DigitsOf(unsigned type) {
    switch (type) {
        case SQL_SHORT:
            return 5;
        case SQL_LONG:
            return 10;
        default:
            return 18;
    }
}

void Coerce(IMetadataBuilder* builder, ThrowStatusWrapper* status, unsigned index, unsigned type,
            unsigned length) {
    switch (type) {
        case SQL_TEXT:
        case SQL_VARYING:
            return;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            builder->setType(status, index, SQL_INT64 + 1);
            builder->setLength(status, index, sizeof(int64_t));
            return;
        case SQL_BLOB:
        case SQL_ARRAY:
            throw DatabaseError("Column type not supported (blob or array)", "");
        default:
            builder->setType(status, index, SQL_VARYING + 1);
            builder->setLength(status, index,
                               length > kTextForOtherTypes ? length : kTextForOtherTypes);
            builder->setCharSet(status, index, 0);
            return;
    }
}

}  // namespace

OutputMessage::OutputMessage(ThrowStatusWrapper* status, IMessageMetadata* described) {
    const unsigned count = described->getCount(status);
    Ref<IMetadataBuilder> builder(described->getBuilder(status));
    for (unsigned i = 0; i < count; ++i) {
        const unsigned type = described->getType(status, i) & ~1u;
        const int scale = described->getScale(status, i);
        Coerce(builder.Get(), status, i, type, described->getLength(status, i));
        const FieldKind kind = KindOf(type, scale);
        const int width = kind == FieldKind::Text
                              ? static_cast<int>(described->getLength(status, i))
                              : DigitsOf(type);
        fields_.push_back(FieldDef{described->getAlias(status, i), kind, width,
                                   kind == FieldKind::Decimal ? -scale : 0});
        columns_.push_back(described->getRelation(status, i)[0] ? described->getField(status, i)
                                                                : "");
    }
    metadata_ = Ref<IMessageMetadata>(builder->getMetadata(status));
    buffer_.assign(metadata_->getMessageLength(status), 0);
    for (unsigned i = 0; i < count; ++i) {
        if (fields_[i].kind == FieldKind::Text)
            fields_[i].width = static_cast<int>(metadata_->getLength(status, i));
        slots_.push_back(Slot{metadata_->getType(status, i) & ~1u, metadata_->getOffset(status, i),
                              metadata_->getNullOffset(status, i)});
    }
    cells_.resize(count);
}

const std::vector<CellValue>& OutputMessage::Cells() {
    for (size_t i = 0; i < slots_.size(); ++i) {
        const Slot& slot = slots_[i];
        CellValue& cell = cells_[i];
        int16_t nullFlag;
        std::memcpy(&nullFlag, buffer_.data() + slot.nullOffset, sizeof nullFlag);
        cell.null = nullFlag != 0;
        cell.text = {};
        cell.number = 0;
        if (cell.null) continue;
        const unsigned char* data = buffer_.data() + slot.offset;
        if (slot.type == SQL_INT64) {
            std::memcpy(&cell.number, data, sizeof cell.number);
        } else if (slot.type == SQL_VARYING) {
            uint16_t length;
            std::memcpy(&length, data, sizeof length);
            cell.text =
                std::string_view(reinterpret_cast<const char*>(data + sizeof length), length);
        } else {
            cell.text = std::string_view(reinterpret_cast<const char*>(data), fields_[i].width);
        }
    }
    return cells_;
}

InputMessage::InputMessage(Firebird::IMaster* master, ThrowStatusWrapper* status,
                           const std::vector<SqlParameter>& parameters) {
    if (parameters.empty()) return;
    const unsigned count = static_cast<unsigned>(parameters.size());
    Ref<IMetadataBuilder> builder(master->getMetadataBuilder(status, count));
    for (unsigned i = 0; i < count; ++i) {
        const SqlParameter& parameter = parameters[i];
        if (parameter.kind == FieldKind::Text) {
            const size_t length = parameter.text ? parameter.text->size() : 0;
            if (length > 32765) throw DatabaseError("Text parameter longer than 32765 bytes", "");
            builder->setType(status, i, SQL_VARYING + 1);
            builder->setLength(status, i, static_cast<unsigned>(length > 0 ? length : 1));
            builder->setCharSet(status, i, 0);
        } else {
            builder->setType(status, i, SQL_INT64 + 1);
            builder->setLength(status, i, sizeof(int64_t));
            builder->setScale(status, i, -parameter.scale);
        }
    }
    metadata_ = Ref<IMessageMetadata>(builder->getMetadata(status));
    buffer_.assign(metadata_->getMessageLength(status), 0);
    for (unsigned i = 0; i < count; ++i) {
        const SqlParameter& parameter = parameters[i];
        unsigned char* data = buffer_.data() + metadata_->getOffset(status, i);
        const int16_t nullFlag = parameter.IsNull() ? -1 : 0;
        std::memcpy(buffer_.data() + metadata_->getNullOffset(status, i), &nullFlag,
                    sizeof nullFlag);
        if (parameter.IsNull()) continue;
        if (parameter.kind == FieldKind::Text) {
            const uint16_t length = static_cast<uint16_t>(parameter.text->size());
            std::memcpy(data, &length, sizeof length);
            std::memcpy(data + sizeof length, parameter.text->data(), length);
        } else {
            std::memcpy(data, &*parameter.number, sizeof(int64_t));
        }
    }
}

}  // namespace tramex::fb
