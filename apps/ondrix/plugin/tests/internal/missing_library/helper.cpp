// A helper program that needs a library the loader cannot find, as the real helper does on a
// machine without WebKitGTK: it never starts (the loader ends it with status 127).
int ondrix_absent_library_value();

int main() {
    return ondrix_absent_library_value();
}
