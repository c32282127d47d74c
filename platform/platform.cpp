// Platform layer sources land beside this file.
