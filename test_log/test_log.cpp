// Test log sources land beside this file.
