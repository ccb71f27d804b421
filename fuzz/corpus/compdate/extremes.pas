x

// Build: -2147483648
// Internal: 2147483647
