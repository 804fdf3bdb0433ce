#include "exchange/receive_loop.h"

ReceiveStep stepAfterReceive(int result, ReceiveError error) {
    if (result > 0)
        return ReceiveStep::Handle;
    if (result == 0)  // an empty datagram
        return ReceiveStep::ReceiveAgain;
    switch (error) {
    case ReceiveError::MessageTooLong:
    case ReceiveError::ConnectionReset:
        return ReceiveStep::ReceiveAgain;
    case ReceiveError::None:
    case ReceiveError::Other:
        break;
    }
    return ReceiveStep::Pause;
}
