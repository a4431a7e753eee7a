// Holds the test binaries' precompiled headers (see velnar_test_headers in
// cmake/VelnarHelpers.cmake); links as a test binary with no tests.
