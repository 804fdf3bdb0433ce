// The library's entry: process attach sets the module up in a fixed order, process detach takes
// it down so that nothing of ours runs after the module's code is gone.
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <windows.h>

#include <cstring>


#include "cdpd/cdpd_list.h"
#include "exchange/receive_loop.h"
#include "exchange/receiver_win.h"
#include "exchange/socket_address.h"
#include "lorvane.h"
#include "module/list_edit.h"
#include "module/module_state.h"
#include "module/settings.h"
#include "module/text.h"
#include "module/timers_win.h"
#include "threeg/target_list.h"

namespace {

void setFolders() {
    copyToWide(LORVANE_SYSTEM_FOLDER, moduleState.windowsFolder);
    copyToWide(LORVANE_TRACK_FOLDER, moduleState.documentsFolder);
}

// A missing list file leaves its list empty; the loaders' results are not needed.
void loadLists() {
    loadCdpdList(listFilePath(kCdpdListFileName).c_str(), moduleState.cdpdList,
                 moduleState.cdpdCount);
    loadTargetList(listFilePath(kTargetListFileName).c_str(), moduleState.targetList,
                   moduleState.targetCount);
}

// The local endpoint: any address, port 28695 on the wire (the port field holds the number 6000,
// whose little-endian bytes 0x70 0x17 the network reads as 28695).
sockaddr_in localEndpoint() {
    SocketAddress local = destinationFor(INADDR_ANY, kDevicePort);
    sockaddr_in endpoint;
    std::memcpy(&endpoint, &local, sizeof endpoint);
    return endpoint;
}

// No socket: no bind and no receiver. With a socket the receiver runs whether or not the bind
// succeeded.
void openEndpoint() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) {
        moduleState.udpSocket = kNoSocket;
        return;
    }
    moduleState.udpSocket = static_cast<SocketHandle>(s);
    // Room for what arrives while the receiver waits for the disk (receive_loop.h). A system
    // that caps the size gives what it allows; the receiver's rounds do the rest.
    int receiveBuffer = kReceiveBufferBytes;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
               sizeof receiveBuffer);
    sockaddr_in endpoint = localEndpoint();
    if (bind(s, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint) == 0)
        moduleState.endpointBound = true;
    startReceiver();
}

void attach(HINSTANCE instance) {
    WSADATA data;
    WSAStartup(0x0101, &data);
    moduleState.moduleInstance = instance;
    setFolders();
    loadLists();
    std::memset(moduleState.accountId, 0, sizeof moduleState.accountId);
    readOwnerSettings();  // before the receiver starts: no answer before the owner's choice
    openEndpoint();
    readSettings();
}

void detach(bool processEnding) {
    SOCKET s = static_cast<SOCKET>(moduleState.udpSocket);
    if (processEnding) {
        // Every other thread is gone already; only the socket and Winsock are left to release.
        closesocket(s);
        WSACleanup();
        return;
    }
    stopTimersAndPolling();
    closeTimers();
    moduleState.receiverStop = true;
    moduleState.hostWindow = nullptr;  // a receiver still at work reaches no window
    closesocket(s);                    // ends a receive under way
    stopReceiver();
    WSACleanup();
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        attach(instance);
        break;
    case DLL_PROCESS_DETACH:
        detach(reserved != nullptr);
        break;
    default:  // thread attach and detach change nothing
        break;
    }
    return TRUE;
}
