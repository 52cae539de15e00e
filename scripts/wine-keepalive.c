/* Keeps a Wine session's desktop open between the programs run in it.
 *
 * Wine closes the desktop some seconds after the last program with a window
 * ends, and the next window then waits for a new desktop to start (about ten
 * seconds). scripts/wine-run builds this helper and runs it for the whole
 * session: it owns one hidden window and waits for ever. It is not part of
 * Velkoran. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
  WNDCLASSW window_class = {0};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"WineSessionKeepAlive";
  if (!RegisterClassW(&window_class)) return 1;
  /* Never shown. */
  if (!CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL,
                       instance, NULL)) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
