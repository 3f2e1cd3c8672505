// Vantrel: the viewer's window.
#include <QApplication>
#include <QFile>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/LoadSequence.h"
#include "app/MemoryTuning.h"
#include "app/Settings.h"
#include "app/Vantrel2017Unit.h"
#include "cadlink/CadLink.h"

int main(int argc, char** argv) {
  vantrel::KeepFreedMemoryForReuse();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantrel2023.2"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
  vantrel::InstallFontSubstitutes();

  vantrel::TForm1::StartOptions options;
  const std::filesystem::path executable = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
  options.settingsFile = vantrel::SettingsFilePath(executable);
  for (int i = 1; i < argc; ++i) options.arguments.emplace_back(argv[i]);
  const std::unique_ptr<vantrel::CadInsertion> insertion = vantrel::PlatformCadInsertion();
  options.insertion = insertion.get();
  int result = 0;
  {
    vantrel::TForm1 form(options);
    form.show();
    result = QApplication::exec();
  }
  vantrel::WaitForListImageWorkers();
  return result;
}
