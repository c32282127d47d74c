#pragma once

namespace zvk_test {

// Called once by the test entry point, before the application object exists. Does nothing outside a
// ThreadSanitizer build.
void install_sanitizer_hooks();

} // namespace zvk_test
