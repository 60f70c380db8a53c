#include "shell/Program.h"

#include "state/SettingsKeys.h"

namespace orv {

namespace {

QtSerialPort::DeviceResolver resolverFor(ProgramOptions& options, const IniStore& ini) {
    if (options.resolveDevice) {
        return std::move(options.resolveDevice);
    }
    return [&ini](int port) {
        return portDevice(ini, port);
    };
}

std::unique_ptr<QtPrompts> promptsUnlessGiven(const ProgramOptions& options) {
    return options.prompts ? nullptr : std::make_unique<QtPrompts>();
}

} // namespace

Program::Program(ProgramOptions options)
    : ini(options.location.iniFile), locale(options.locale),
      app(ini, strings, locale, options.clock ? *options.clock : clock),
      msc1(resolverFor(options, ini)), ownPrompts_(promptsUnlessGiven(options)),
      prompts(options.prompts ? *options.prompts : *ownPrompts_),
      link(app, msc1, winsock, prompts, options.timings) {
    app.SettingsFolder = options.location.folder;
    app.linkProxy.attach(&link);
    window = std::make_unique<frmMain>(app, link, prompts, std::move(options.localAddress));
    if (ownPrompts_) {
        ownPrompts_->setOwner(window.get());
    }
}

Program::~Program() {
    window.reset();
    app.linkProxy.attach(nullptr);
}

} // namespace orv
