#include "link/LinkState.h"

void ResetLinkState()
{
    linkConnected = 0;
    connectPending = 0;
    downloadBusy = 0;
    storedRecordCount = 0;
    uploadGroupCounter = 0;
    portName.clear();
}
