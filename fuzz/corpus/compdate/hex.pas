unit CompDate;

// Build: $7FFFFFFF
// Internal:   -0x10