// The interface texts of one language, read once from its section of the
// settings file, each named; and the built-in English texts.
#pragma once

#include "IniFile.h"

#include <QString>

#include <array>

// A language section holds the keys of the first families (M, PC, TB, SG,
// MSG, L) and the texts added after them, X1, X2 ... . An object keeps what
// one reading of the file gave for one language code, so that asking for a
// text never opens the file again. Without a section, or for a key it
// lacks, a text is the built-in English one, which both the window and
// vexlor-fit take from here.
class LanguageTexts {
public:
    // The texts added after the first families; each value is the number of
    // its key X<n>, so that stored files keep naming the same texts.
    enum class Text {
        ReadingWorkbook = 1, // "Reading %1 …", the box shown while a workbook is read
        Cancel,
        SaveChangesQuestion,
        Save,
        Discard,
        Undo,
        Redo,
        Copy,
        Paste,
        InsertRow,
        DeleteRows,
        PasteRefused,   // row %1, column %2, the text %3, the reason %4
        NotDateOfForm,  // %1 the date format
        NotHourOfDay,   //
        NotCount,       //
        PastLastColumn, // the reasons of a refused paste
        CellPlace,      // "Row %1, column %2"
        ExportCsvItem,
        CsvFilter,
        SavePictureItem,
        PictureFilter,
        ImportItem,
        CountFilesFilter,
        ImportSummary, // files %1, hours %2, days %3
        NoHoursMissing,
        HoursMissing,  // %1 hours
        ImportGap,     // date %1, hour %2, hours %3
        GapsNotListed, // %1 gaps
        NoHoursInFiles,
        ExportNetworkItem,
        StationItem,
        FilesWritten, // %1 files, %2 the folder
        ColorgrammeTab,
        HourAxis,
        NoCount,
        NoCountsInColumn, // %1 the column
        SpanTooLong,      // %1 days
        NothingToExport,  // %1 the column
        PngFilter,
        CellReadout,        // date %1, hour %2, count %3
        CellReadoutNoCount, // date %1, hour %2
        ColorgrammeTitle,   // column %1, first day %2, last day %3
        // The labels of the Station form, in the order of the station's
        // fields (NetworkExport::stationFields).
        StationObserver,
        StationCountry,
        StationCity,
        StationLongitude,
        StationLatitude,
        StationFrequencies,
        StationAntenna,
        StationAntennaAzimuth,
        StationAntennaElevation,
        StationPreAmplifier,
        StationReceiver,
        StationObservingMethod,
        StationRemarks,
        StationSoftFtp,
        StationEmail,
        StationCaption,
        ImportTip,
        ObserverNeeded,
        ChooseFolder,
        ReportTab,
        ReportMaximum,        // date %1, hour %2, offset %3
        ReportSolarLongitude, // %1 degrees
        ReportMaximumOutside,
        ReportShape,     // a %1, b %2, width %3
        ReportGaps,      // %1 hours
        ReportDeviation, // %1 dO
        ReplicatesLabel,
        SeedLabel,
        BootstrapButton,
        ProfileButton,
        ReportBootstrap, // answered %1, failed %2, seconds %3
        ReportInterval,  // level %1, a %2 %3, b %4 %5, position %6 %7 (%8 %9), λ☉ %10 %11
        ReportProfile,   // position %1 (%2), dO %3, %4 positions
        UndeterminedOutside,
        UndeterminedFlat, // %1 positions
        SaveReportButton,
        ReportFilter,
        SavePicturesButton,
        HistogramTitle, // %1 replicates
        ProfileTitle,
        LandscapeTitle, // %1 the position
        PositionAxis,
        ReplicatesAxis,
        RunFirst,
        CancelledAfter, // %1 of %2
        SearchWindow,
        ComputeFirst,
        PictureSizeCaption,
        PictureWidth,
        PictureHeight,
        PictureSizeRange,
        ReplaceFilesQuestion, // %1 the folder; the names follow
        ReplaceAll,
        SetNotWritten,     // %1 the file, %2 the reason
        SetWrittenPart,    // %1 the names
        SetNotWrittenPart, // %1 the names
        MarkedLegend,      // the colorgramme's legend for marked hours
        CellReadoutMarked, // date %1, hour %2, reason %3
        ReasonInterference,
        ReasonSporadicE,
        ReasonTransmitterOff,
        ReasonOutageAsZero,
        MarkHoursMenu,
        UnmarkHours,
        MarkedTip,    // %1 the reason
        ImportMarked, // %1 hours
        LocalTimeCaption,
        UtOffsetLabel,
    };
    static constexpr int TextCount = static_cast<int>(Text::UtOffsetLabel);

    // The captions of keys L1 to L12.
    enum class Label {
        BeginObservation = 1,
        EndObservation,
        CoefficientA,
        CoefficientB,
        MaximumPosition,
        Maximum,
        Lines,
        Observed,
        ShowerProfile,
        Shower,
        Sporadic,
        DataColumn,
    };
    static constexpr int LabelCount = static_cast<int>(Label::DataColumn);

    // MSG1 to MSG20, index n - 1.
    static constexpr int MessageCount = 20;
    using Messages = std::array<QString, MessageCount>;

    // No language applied: the English texts and labels, empty messages.
    LanguageTexts() = default;
    // The section `code` of the settings file, from what `file` has read or
    // reads now; the object keeps that reading.
    LanguageTexts(const IniFile &file, const QString &code);

    const QString &code() const { return m_code; }

    // X<n> of the section, or the English text where the section has no
    // such key (a key present with an empty value gives an empty text).
    QString text(Text text) const;
    // L<n> the same way.
    QString label(Label label) const;
    // MSG<n>, empty where the section has none.
    const Messages &messages() const { return m_messages; }
    const QString &message(int n) const { return m_messages[static_cast<size_t>(n - 1)]; }
    // The first families, by the place of what they name: top-level menu
    // item i (from 1) and item k (from 0, separators counted) of its
    // submenu, tab p (from 1), the tool button of a tag, the table's column
    // c (from 0). Empty when the key is missing or empty.
    QString menu(int i) const { return value(QStringLiteral("M%1").arg(i)); }
    QString menu(int i, int k) const { return value(QStringLiteral("M%1%2").arg(i).arg(k)); }
    QString tab(int p) const { return value(QStringLiteral("PC%1").arg(p)); }
    QString toolTip(int tag) const { return value(QStringLiteral("TB%1").arg(tag)); }
    QString header(int column) const { return value(QStringLiteral("SG%1").arg(column)); }
    // Any key of the section, empty when missing or empty.
    QString value(const QString &key) const;

    static QString english(Text text);
    static QString english(Label label);

private:
    IniFile m_file{QString()};
    QString m_code;
    Messages m_messages;
};
