// The grid control lands here.
namespace kestrune {
}  // namespace kestrune
