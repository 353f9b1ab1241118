// Sends a file to a socket with sendfile(): the system hands the file's cached
// pages to the socket instead of copying them through a buffer of ours.
#pragma once

#include <memory>

#include "transfer/SocketHandler.h"

namespace tramex {

// Both descriptors stay owned by the caller and must outlive the sender.
// nullptr where the system has no sendfile().
std::unique_ptr<TFileSender> CreatePosixFileSender(int socketFd, int fileFd);

}  // namespace tramex
