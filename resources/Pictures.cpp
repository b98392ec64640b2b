// The pictures themselves are compiled in by qt_add_resources; this file only
// gives the library a source of its own.
namespace resources {
int pictureCount()
{
    return 5;
}
} // namespace resources
