// The data directory's lock held for the rest of the program run. Taken
// before the database is attached, so that two runs of one installation
// (two families at the same minute) take turns before either opens the
// database: the embedded engine gives the file to one program at a time.
#pragma once

#include <functional>
#include <string>

namespace tramex::runlock {

// Takes the data directory's lock as DataDirectoryLock::Acquire does, unless
// this program already holds it; it is released when the program ends.
void Hold(const std::string& directory, int waitMs, const std::function<void()>& waiting);

// Tests only: releases every lock held.
void ReleaseForTests();

}  // namespace tramex::runlock
