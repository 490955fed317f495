#pragma once
// Writing a whole buffer to a file descriptor.
#include <string_view>

namespace qx {

// Writes all of data, retrying short and interrupted writes; false (errno
// set) on the first real failure.
bool WriteFully(int fd, std::string_view data);

} // namespace qx
