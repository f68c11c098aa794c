#pragma once

class CommandHost;

// Lets every subsystem register the commands it serves. A new subsystem adds
// its one registration call here.
void registerSubsystems(CommandHost &host);
