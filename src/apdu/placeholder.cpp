// Keeps the library non-empty until its units land.
namespace zv {
int ApduLibraryPlaceholder() { return 0; }
}  // namespace zv
