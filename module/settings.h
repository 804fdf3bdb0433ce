// The two settings the module keeps in the registry through the driver library: the tracking
// server's host name ("QVServerName", 512 bytes) and the account ID ("QVID", 32 bytes).
#pragma once

// The server name used when the registry has none. The demo's local tracking server answers to
// it: each device's hosts file names the server's address under it.
extern const char kDefaultServerHostName[];

// Registry value type of both settings: wide text.
constexpr unsigned kRegTypeText = 1;

// Attach steps 9 and 10: reads "QVServerName" into serverName, falling back to the default host
// name and writing that back when the value is missing or empty; then reads "QVID" into
// accountId. Both buffers are zeroed whole first, so no stale bytes reach the registry.
void readSettings();
