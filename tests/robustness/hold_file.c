// hold_file FILE EVENT: holds FILE open with no sharing, as another program that has it
// loaded may, signals the named EVENT once it does, and keeps it until it is ended.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (file == INVALID_HANDLE_VALUE || held == NULL || !SetEvent(held)) return 1;
    Sleep(INFINITE);
    return 0;
}
