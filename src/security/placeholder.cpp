// Keeps the library non-empty until its units land.
namespace zv {
int SecurityLibraryPlaceholder() { return 0; }
}  // namespace zv
