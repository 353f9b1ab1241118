// System error numbers mapped onto the codes of the common socket error table.
#include "transfer/posix/ErrnoCodes.h"

#include <netdb.h>

#include <cerrno>

namespace tramex {
namespace {

struct ErrnoCode {
    int systemNumber;
    int tableCode;
};

constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {ENOBUFS, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    // A send after the peer reset the connection: what the peer's reset means.
    {EPIPE, 10054},
    // Failures of socket calls that Winsock reports under its own names
    // (EAGAIN is EWOULDBLOCK on most systems, not on all).
    {EAGAIN, 10035},
    {EPERM, 10013},
    {ENFILE, 10024},
    {ENOMEM, 10055},
};

constexpr int kSystemCallFailure = 10107;

}  // namespace

int TableCodeOfErrno(int systemNumber) {
    for (const ErrnoCode& entry : kErrnoCodes)
        if (entry.systemNumber == systemNumber) return entry.tableCode;
    return kSystemCallFailure;
}

int TableCodeOfResolverError(int resolverCode) {
    switch (resolverCode) {
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_MEMORY:
            return 10055;
        case EAI_FAMILY:
            return 10047;
        case EAI_SOCKTYPE:
            return 10044;
        case EAI_SYSTEM:
            return TableCodeOfErrno(errno);
        default:
            return 11003;
    }
}

}  // namespace tramex
