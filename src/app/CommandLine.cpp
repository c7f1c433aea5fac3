#include "app/CommandLine.h"

#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

namespace CommandLine {

Invocation parse(const QStringList& arguments) {
    Invocation invocation;
    if (arguments.isEmpty()) {
        return invocation;
    }
    const QString& first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        invocation.kind = Kind::help;
    } else if (first == QLatin1String("--version")) {
        invocation.kind = Kind::version;
    } else if (const auto command = AppCommands::fromName(first);
               command && *command != AppCommand::reopen) {
        invocation.kind = Kind::command;
        invocation.command = *command;
    } else {
        invocation.kind = Kind::usageError;
        invocation.problem =
            QCoreApplication::translate("CommandLine", "Orden desconocida: «%1»").arg(first);
        return invocation;
    }
    if (arguments.size() > 1) {
        invocation.kind = Kind::usageError;
        invocation.problem = QCoreApplication::translate("CommandLine", "Sobran argumentos: %1")
                                 .arg(arguments.mid(1).join(QLatin1Char(' ')));
    }
    return invocation;
}

QString usage() {
    return QCoreApplication::translate(
        "CommandLine",
        "Uso: brindlecap [orden]\n"
        "\n"
        "Sin orden abre Brindlecap o, si ya está abierto, inicia una captura de área.\n"
        "\n"
        "Órdenes (abren Brindlecap si no está abierto):\n"
        "  area       Capturar área\n"
        "  full       Capturar pantalla completa\n"
        "  recents    Mostrar u ocultar las capturas recientes\n"
        "  settings   Abrir los ajustes\n"
        "  quit       Salir de Brindlecap\n"
        "\n"
        "Opciones:\n"
        "  --help     Mostrar esta ayuda\n"
        "  --version  Mostrar la versión\n");
}

QString version() {
    return QStringLiteral("Brindlecap %1\n").arg(QStringLiteral(BRINDLECAP_VERSION));
}

std::optional<int> prepare(const Invocation& invocation, SingleInstance& instance, QTextStream& out,
                           QTextStream& err) {
    switch (invocation.kind) {
    case Kind::help:
        out << usage() << Qt::flush;
        return 0;
    case Kind::version:
        out << version() << Qt::flush;
        return 0;
    case Kind::usageError:
        err << "brindlecap: " << invocation.problem << "\n\n" << usage() << Qt::flush;
        return 2;
    case Kind::launch:
    case Kind::command:
        break;
    }

    switch (instance.start()) {
    case SingleInstance::Role::secondary:
        if (instance.send(invocation.command)) {
            return 0;
        }
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine",
                                           "No se pudo comunicar con Brindlecap en ejecución (%1).")
                   .arg(instance.errorString())
            << '\n'
            << Qt::flush;
        return 1;
    // Left alone: replacing it would make two programs answer different shortcuts.
    case SingleInstance::Role::unresponsive:
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine",
                                           "Brindlecap está en ejecución pero no responde.")
            << '\n'
            << Qt::flush;
        return 1;
    // Without its socket and lock the program could not tell whether it already runs.
    case SingleInstance::Role::failed:
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine", "No se puede iniciar Brindlecap: %1.")
                   .arg(instance.errorString())
            << '\n'
            << Qt::flush;
        return 1;
    case SingleInstance::Role::primary:
        break;
    }
    if (invocation.kind == Kind::command && invocation.command == AppCommand::quit) {
        return 0;
    }
    return std::nullopt;
}

} // namespace CommandLine
