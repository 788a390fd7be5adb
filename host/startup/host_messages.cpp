#include "host/startup/host_messages.h"

#include "platform/message.h"

namespace lumisett::host {

std::optional<HostMessage> HostMessageFor(int code) {
    switch (code) {
    case -2:
        return HostMessage{" Input device error:",
                           "   The input device could not be opened, it    \n        may be in use by another "
                           "process.\n\n                               Sorry ! \n"};
    case -3:
        return HostMessage{" Output device error:",
                           "   The output device could not be opened. It may be in use   \n      by another "
                           "process. Choosing the same device for in- \n          and output requires a full "
                           "duplex sound card.\n\n                                         Sorry ! \n"};
    case -4:
        return HostMessage{" File error:",
                           "   The input file could not be opened. Please   \n         check the filename and "
                           "try again.      \n\n                               Sorry !\n"};
    case -5:
        return HostMessage{" File error:",
                           "   The output file could not be created. Please   \n     ensure that there is "
                           "enough space on the      \n      harddisk and/or choose another filename\n\n     "
                           "                           Sorry !\n"};
    case -6:
        return HostMessage{" File error:",
                           "   An error occurred while reading from \n             the current input file.  "
                           "\n\n                         Sorry !\n"};
    case -7:
        return HostMessage{" File error:",
                           "   An error occured while writing to  \n          the current output file.  \n\n "
                           "                   Disk full ?\n"};
    case -8:
        return HostMessage{" File error:", "   The destination disk has not enough free space.  \n\n"};
    case -10:
        return HostMessage{" Error in filetype:",
                           "    The selected file is not recognized as a valid filetype   \n\n              "
                           "                          Sorry !\n"};
    case -11:
        return HostMessage{" Error in samplewidth:",
                           "   The selected wave file is 8 bit, while this version   \n       of the program "
                           "supports only 16-bit samples.\n\n                                    Sorry !\n"};
    case -12:
        return HostMessage{" Error in frequency",
                           "   The frequency of the selected wave file is    \n   incompatible with the "
                           "current output device.\n\n                                Sorry! \n"};
    case -13:
        return HostMessage{" Error in stereomode",
                           "   The selected wave file is stereo while the currently selected  \n        "
                           "output device is only capable of playing mono files.\n\n                       "
                           "                     Sorry !\n"};
    case -14:
        return HostMessage{" Error in samplewidth",
                           "   The input or output device is not capable of handling 16 bit   \n         "
                           "samples, which are required for the Lumisett!\n\n                              "
                           "              Sorry !\n"};
    default:
        return std::nullopt;
    }
}

void ShowHostMessage(int code) {
    if (auto message = HostMessageFor(code)) {
        platform::ShowMessage(message->caption, message->text);
    }
}

} // namespace lumisett::host
