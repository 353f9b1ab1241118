// Building the family's destination query.
#include "app/DestinationLookup.h"

#include "common/SqlText.h"
#include "common/TextCodec.h"

namespace tramex {

std::string DestinationLookupCommand(const std::string& family) {
    return Utf8ToCp1252("select * from configura_linkftp where cflk_codfami = " +
                        SqlStringLiteral(family));
}

}  // namespace tramex
