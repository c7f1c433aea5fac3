#include "app/CommandLine.h"

#include "app/SingleInstance.h"
#include "recents/TextIndex.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <vector>

namespace CommandLine {

namespace {

using P = Arguments::Problem;
constexpr std::pair<P, const char*> problemTexts[] = {
    {P::unknownCommand, QT_TRANSLATE_NOOP("CommandLine", "Orden desconocida: «%1»")},
    {P::unknownOption, QT_TRANSLATE_NOOP("CommandLine", "Opción desconocida: «%1»")},
    {P::missingValue, QT_TRANSLATE_NOOP("CommandLine", "Falta el valor de %1")},
    {P::invalidValue, QT_TRANSLATE_NOOP("CommandLine", "Valor no válido: «%1»")},
    {P::repeatedOption, QT_TRANSLATE_NOOP("CommandLine", "%1 aparece dos veces")},
    {P::optionNotForCommand, QT_TRANSLATE_NOOP("CommandLine", "%1 no sirve con esta orden")},
    {P::optionNeedsOutput, QT_TRANSLATE_NOOP("CommandLine", "%1 solo sirve junto con --output")},
    {P::extraArgument, QT_TRANSLATE_NOOP("CommandLine", "Sobra el argumento «%1»")},
};

QString problemText(P problem, const QString& culprit) {
    for (const auto& [value, text] : problemTexts) {
        if (value == problem)
            return QCoreApplication::translate("CommandLine", text).arg(culprit);
    }
    return culprit;
}

// Entries the running program has not read yet are read here first, so a script finds a capture
// it just took; an entry that cannot be read (no language models) is left out.
int searchHistory(const QString& query, QTextStream& out) {
    for (const QString& entry : TextIndex::missing())
        (void)TextIndex::index(entry);
    const QStringList found = TextIndex::search(query);
    for (const QString& entry : found)
        out << entry << '\n';
    out << Qt::flush;
    return found.isEmpty() ? 1 : 0;
}

} // namespace

Invocation parse(const QStringList& arguments) {
    std::vector<QByteArray> encoded;
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    const std::vector<std::string_view> views(encoded.begin(), encoded.end());
    const Arguments::Parsed parsed = Arguments::parse(views);

    Invocation invocation;
    invocation.kind = parsed.kind;
    invocation.toCaller = parsed.output.has_value();
    if (parsed.search)
        invocation.search = QString::fromLocal8Bit(QByteArray::fromStdString(*parsed.search));
    if (parsed.kind == Kind::command)
        invocation.command = *AppCommands::fromName(QString::fromStdString(parsed.command));
    if (parsed.kind == Kind::usageError)
        invocation.problem = problemText(
            parsed.problem, QFile::decodeName(QByteArray::fromStdString(parsed.culprit)));
    return invocation;
}

QString usage() {
    return QCoreApplication::translate(
        "CommandLine",
        "Uso: brindlecap [orden [opciones]]\n"
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
        "Opciones de area y full, para guiones:\n"
        "  --output ARCHIVO  Escribir la captura en ARCHIVO como PNG («-»: la salida estándar)\n"
        "                    en lugar del portapapeles, la carpeta y el historial; area espera\n"
        "                    a que termines la selección con Intro\n"
        "  --screen N        Con full: la pantalla N (desde 0) o de ese nombre, en lugar de la\n"
        "                    del puntero\n"
        "  --copy            Copiar además la captura al portapapeles\n"
        "\n"
        "Opción de recents, para guiones:\n"
        "  --search TEXTO    Escribir las capturas recientes cuyo texto contiene todas las\n"
        "                    palabras de TEXTO (sin distinguir mayúsculas ni acentos), una\n"
        "                    por línea, de la más nueva a la más antigua; estado 1 si no hay\n"
        "                    ninguna\n"
        "\n"
        "Otras opciones:\n"
        "  --help     Mostrar esta ayuda\n"
        "  --version  Mostrar la versión\n"
        "\n"
        "Estado de salida: 0 si todo fue bien, 1 si hubo un error o se canceló la captura,\n"
        "2 si la orden o las opciones no son válidas.\n");
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
    if (invocation.search)
        return searchHistory(*invocation.search, out);
    if (invocation.toCaller) {
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine",
                                           "--output lo atiende la orden brindlecap, no "
                                           "brindlecap-app.")
            << '\n'
            << Qt::flush;
        return 2;
    }

    // Without its socket and lock the program could not tell whether it already runs.
    const Result<SingleInstance::Role> role = instance.start();
    if (!role) {
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine", "No se puede iniciar Brindlecap: %1.")
                   .arg(role.message())
            << '\n'
            << Qt::flush;
        return 1;
    }
    switch (*role) {
    case SingleInstance::Role::secondary: {
        if (invocation.startOnly)
            return 0;
        const Status sent = instance.send(invocation.command);
        if (sent)
            return 0;
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine",
                                           "No se pudo comunicar con Brindlecap en ejecución (%1).")
                   .arg(sent.message())
            << '\n'
            << Qt::flush;
        return 1;
    }
    // Left alone: replacing it would make two programs answer different shortcuts.
    case SingleInstance::Role::unresponsive:
        err << "brindlecap: "
            << QCoreApplication::translate("CommandLine",
                                           "Brindlecap está en ejecución pero no responde.")
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
