/* A minimal C host built against an installed swmatrix: creates a Hubline
 * relay card driver, loads its INI file, initialises it and sends the event
 * "InitialisationStarted", printing each status. Exit status 0 only when every
 * call succeeded. */
#include <stdint.h>
#include <stdio.h>
#include <swmatrix/swmatrix.h>
#include <swmatrix/version.h>

static int Check(const char* call, uint32_t status, uint16_t id) {
  char text[512] = "";
  uint32_t length = 0;
  if (status != 0) GetErrorString(0, id, status, text, sizeof text, &length);
  printf("%s -> 0x%08X %s\n", call, (unsigned)status, text);
  return status == 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: host INI\n");
    return 2;
  }
  printf("swmatrix %s\n", SWMATRIX_VERSION);
  uint16_t id = 0;
  uint32_t event = 3; /* InitialisationStarted */
  double value = 0;
  int ok = Check("create", CreateNewDeviceDriver(0, "HUBLINE4PORT", &id), id) &&
           Check("load", LoadConfiguration(0, id, argv[1]), id) && Check("init", InitDevice(0, id), id) &&
           Check("event", SetValue(0, id, SWM_VALUE_EVENT, &event, &value), id) &&
           Check("deinit", DeInitDevice(0, id), id);
  RemoveDeviceDriver(0, id);
  return ok ? 0 : 1;
}
