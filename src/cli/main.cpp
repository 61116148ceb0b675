#include "cli/cli_app.h"
#include "cli/system_streams.h"
#include "platform/files/program_arguments.h"
#include "platform/files/standard_streams.h"

int main(int argc, char* argv[])
{
    purgix::platform::occupyClosedStandardStreams();
    const std::vector<std::string> arguments = purgix::platform::programArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    purgix::cli::SystemStreams streams;
    return purgix::cli::runCli(pointers, streams);
}
