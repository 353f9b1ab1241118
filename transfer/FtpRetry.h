// Which upload failures are worth another attempt a little later: the
// network or the server's state, not a refusal that would come again.
#pragma once

#include <exception>

namespace tramex {

// True for a refused, reset or timed-out connection, a server closing the
// connection, the replies 421, 425, 426, 450 and 451, and a failed check of
// the stored file. False for everything else: a refused login (530), 550,
// 552, 553, a refused certificate or pin, an invalid argument.
bool IsTransientFtpFailure(const std::exception& error);

}  // namespace tramex
