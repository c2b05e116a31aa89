#include "configuration.h"

#include "record_store.h"

Configuration Configuration::fromEnvironment()
{
    Configuration configuration;
    configuration.devices = ComDevices::fromEnvironment();
    configuration.storeName = recordStoreName(QString());
    return configuration;
}
