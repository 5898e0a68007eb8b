// Away from Windows (the sanitizer builds of the engine): the system's certificates, no proxy.
#include "download/TransferSettings.h"

TransferSettings TransferSettings::FromSystem() {
    return TransferSettings(std::string(), ProxyRules());
}
