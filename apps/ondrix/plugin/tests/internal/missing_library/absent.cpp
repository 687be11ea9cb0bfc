// A library that is built but never installed where the loader looks: it stands for WebKitGTK on
// a machine without it.
int ondrix_absent_library_value() {
    return 1;
}
