// Fixture writers for KORVO's input files (dBASE tables, binary networks),
// shared by the tools and the tests. Each writer has its own source file here.
