// The connection's named entries, whose names compare without regard to case.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tramex {

class ConnectionEntries {
  public:
    void Set(std::string name, std::string value);
    std::string Get(const std::string& name) const;  // "" when absent

  private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace tramex
