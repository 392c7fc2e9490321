# Install rules, CMake package config and pkg-config file.
