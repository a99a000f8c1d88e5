// ezr-make-sample: writes response files the way the data-entry program does, for the bundled
// sample beside the executables and for benchmarks and large group tests.
//
//   ezr-make-sample --sample DIR [--plain]
//   ezr-make-sample --generate N DIR [--seed S] [--doubled K] [--unanswered K] [--plain]

#include "SampleMaker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString& message) {
    QTextStream(stderr) << "ezr-make-sample: " << message << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ezr-make-sample"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes scrambled Windows-1251 response files (*.cry). The answer times are written "
        "with a decimal comma, as under Russian regional settings."));
    parser.addHelpOption();
    const QCommandLineOption sampleOption(QStringLiteral("sample"),
                                          QStringLiteral("Write the bundled sample into <dir>."),
                                          QStringLiteral("dir"));
    const QCommandLineOption generateOption(QStringLiteral("generate"),
                                            QStringLiteral("Write <n> generated files into DIR."),
                                            QStringLiteral("n"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the generated files."),
                                        QStringLiteral("s"), QStringLiteral("1"));
    const QCommandLineOption plainOption(
        QStringLiteral("plain"),
        QStringLiteral("Write the plain text as <code>.txt instead of the scrambled file."));
    const QCommandLineOption doubledOption(
        QStringLiteral("doubled"),
        QStringLiteral("Generated examinees mark both statements of <k> items (scored twice)."),
        QStringLiteral("k"), QStringLiteral("0"));
    const QCommandLineOption unansweredOption(
        QStringLiteral("unanswered"),
        QStringLiteral("Generated examinees leave <k> items without a mark."), QStringLiteral("k"),
        QStringLiteral("0"));
    parser.addOption(doubledOption);
    parser.addOption(unansweredOption);
    parser.addOption(sampleOption);
    parser.addOption(generateOption);
    parser.addOption(seedOption);
    parser.addOption(plainOption);
    parser.addPositionalArgument(QStringLiteral("DIR"),
                                 QStringLiteral("Target directory of --generate."));
    parser.process(app);

    const bool sample = parser.isSet(sampleOption);
    const bool generate = parser.isSet(generateOption);
    if (sample == generate)
        return fail(QStringLiteral("give exactly one of --sample DIR and --generate N DIR"));

    const ezr::ResponseForm form =
        parser.isSet(plainOption) ? ezr::ResponseForm::Plain : ezr::ResponseForm::Scrambled;
    QString error;
    if (sample) {
        if (!parser.positionalArguments().isEmpty())
            return fail(QStringLiteral("--sample takes no further arguments"));
        if (!ezr::writeResponseFiles(parser.value(sampleOption), ezr::bundledSample(), &error,
                                     form))
            return fail(error);
        return 0;
    }

    bool ok = false;
    const int count = parser.value(generateOption).toInt(&ok);
    if (!ok || count < 0)
        return fail(QStringLiteral("'%1' is not a valid count").arg(parser.value(generateOption)));
    const std::uint32_t seed = parser.value(seedOption).toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("'%1' is not a valid seed").arg(parser.value(seedOption)));
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("--generate N needs exactly one target directory"));
    ezr::IrregularMarks marks;
    marks.doubled = parser.value(doubledOption).toInt(&ok);
    bool unansweredOk = false;
    marks.unanswered = parser.value(unansweredOption).toInt(&unansweredOk);
    if (!ok || !unansweredOk || marks.doubled < 0 || marks.unanswered < 0 ||
        marks.doubled + marks.unanswered > ezr::ItemCount)
        return fail(QStringLiteral("--doubled and --unanswered take counts of at most 108 items"));
    if (!ezr::writeGeneratedFiles(parser.positionalArguments().front(), count, seed, &error, form,
                                  marks))
        return fail(error);
    return 0;
}
