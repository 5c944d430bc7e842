// File name tests shared by the toolkit's readers and writers. Internal.
#pragma once

#include <string>

namespace camrig {

inline bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace camrig
