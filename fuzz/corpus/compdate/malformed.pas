unit CompDate;

// Build: twelve
// Internal: 3
