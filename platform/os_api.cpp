#include "os_api.h"

#include <cstdlib>

namespace zedra_hal {

OS_API::OS_API()
    : current_directory(nullptr), current_directory_size(0), system_drive(0), module_file_name(nullptr),
      module_file_name_size(0), module_directory(nullptr) {}

OS_API::~OS_API() {
    std::free(current_directory);
    std::free(module_file_name);
    std::free(module_directory);
}

} // namespace zedra_hal
