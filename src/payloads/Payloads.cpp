// Payload preparation lands here.
namespace kestrune {
}  // namespace kestrune
