// The interface texts of one language, read once from its section of the
// settings file, each named; and the built-in English texts.
#pragma once

#include "IniFile.h"

#include <QLocale>
#include <QString>

#include <array>
#include <initializer_list>

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
        DateCellUnreadable, // %1 row, %2 its text
        UnreadableDates,    // %1 rows
        PositionPastUpDown, // %1 the offset, %2 the largest position
        SearchPastUpDown,   // %1 the offset, %2 the largest position
        Computing,
        // The menus and items of the desktop program: Edit, Analysis, Help,
        // Save, the recent files.
        EditMenu,
        AnalysisMenu,
        HelpMenu,
        SaveItem,
        RecentMenu,
        ClearRecentItem,
        CutItem,
        EditingItem,
        RunItem,
        AutoCalcItem,
        SaveGraphItem,
        ManualItem,
        ManualCaption,
        AboutCaption,
        // Counts by number: the forms separated by '|' (see count()).
        RowCount,
        HourCount,
        FileCount,
        // What a command did or why it did nothing, in the status bar.
        StatusOpened,   // %1 rows, %2 the file
        StatusSaved,    // %1 rows, %2 the file
        StatusImported, // %1 hours, %2 files
        StatusNew,
        StatusRun,        // %1 rows, %2 dO
        StatusAutoCalc,   // a %1, b %2, position %3, dO %4
        StatusSavedFile,  // %1 the file or files
        StatusExported,   // %1 rows, %2 the file
        DataPageFirst,    // %1 the command
        NoRowsInTable,    // %1 the command
        StartDateMissing, // %1 the command, %2 the date
        EndDateMissing,   // %1 the command, %2 the date
        DatesReversed,    // %1 the command, %2 the start, %3 the end
        RecentMissing,    // %1 the file
        NotRemembered,    // %1 the reason
        DropNotFile,      // %1 what was dropped
        PositionAt,       // %1 the date, %2 the hour
        ReadoutRow,       // %1 the date, %2 the hour, %3 the offset
        LongitudeRange,   // %1 the text
        LatitudeRange,    // %1 the text
        PositionAtTip,
        // The words of the report's own fit (also vexlor-fit's, in English).
        FailureNoDates,
        FailureTooFewRows,  // %1 rows, %2 hours of day
        FailureSpanTooLong, // %1 hours, %2 the most
        VerdictFlat,        // %1 the depth, %2 what noise gives
        VerdictFirstHour,
        VerdictLastHour,
        VerdictBothHours,
        VerdictTooWide,     // %1 % of the selection, %2 % the most
        VerdictApart,       // %1 hours
        BoundLeastScale,    // %1 a or b, %2 hours
        BoundGreatestScale, // %1 a or b, %2 hours
        BoundFirstHour,
        BoundLastHour,
        // The report page's own fit.
        SectionAutoCalc,
        SectionRun,
        SectionWholeRange,
        WholeMaximum,  // date %1, hour %2, λ☉ %3
        WholeInterval, // level %1, from date %2 hour %3, to date %4 hour %5, λ☉ %6 to %7
        Undetermined,  // %1 the reason
        WholeRise,     // a %1, 68 % %2 to %3, 95 % %4 to %5
        WholeDecay,    // b %1, 68 % %2 to %3, 95 % %4 to %5
        WholeUnits,    // B+ %1, B- %2, width %3 h, %4 degrees
        OnBound,       // %1 the estimates on an edge
        HalfHourNote,
        IntervalsHere,
        IntervalsBoth,
        UnreadableDatesLeftOut, // %1 rows
        FitRunning,
        FitCancelled,
        RefusedByAutoCalc,
        DayBootstrapInterval, // level %1, dates and hours %2 to %5, λ☉ %6 %7, a %8 %9, b %10 %11
        HistogramNoBootstrap,
        HoursAfter, // %1 date, %2 hour: the histogram's axis
        NotComputed,
        WholeFitJob,
        LandscapeJob,
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
        // The stacked profile of one shower over years and stations.
        StackedTab,
        StackedShower,
        StackedOwnWindow,
        StackedFrom,
        StackedTo,
        StackedColumns,
        StackedModel,
        StackedHourly,
        StackedRadiant,
        StackedStations,
        ComputeButton,
        StackedSaveNumbers,
        StackedSavePicture,
        StackedComputeFirst,
        StackedMaximum,      // %1 the maximum, %2 %3 its 68 % interval, %4 %5 its 95 % interval
        StackedSlopes,       // %1 B+ and %2 %3 its interval, %4 B- and %5 %6 its interval
        StackedWidth,        // %1 degrees
        StackedModelUsed,    // %1 the model, %2 datasets, %3 rows
        StackedDataset,      // %1 column and station, %2 season, %3 rows, %4 scale, %5 dO
        StackedUndetermined, // %1 the reason
        StackedNoFit,        // %1 the reason
        StackedStationsCaption,
        StackedStationName,      // %1 the column
        StackedStationLatitude,  // %1 the column
        StackedStationLongitude, // %1 the column
        StackedBadPlace,         // %1 the text
        ImportColumnsItem,
        ImportColumnsCaption,
        ImportColumnField,     // %1 the station, %2 files
        ImportColumnInvalid,   // %1 the text
        ImportTooManyStations, // %1 stations
        StackedXTitle,
        StackedYTitle,
        StackedProfile,
        StackedNoColumns,
        MarkOtherReason,
        MarkWordsLabel,
        WritingFile,
    };
    static constexpr int TextCount = static_cast<int>(Text::WritingFile);

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

    // The locale of the language, for the numbers the window shows (never
    // for files), without group separators: the locale the code names, C
    // where none is applied, the system's where Qt knows no such language.
    QLocale locale() const;
    // A number with a fixed count of decimals in that locale, without a
    // thousands separator.
    QString decimal(double value, int decimals) const;
    // A count by number: the number in the language's digits, a blank and
    // the noun's form for it. The text holds the forms separated by '|':
    // two are singular and plural (1, and any other number); three are the
    // Russian forms (1, 21 ...; 2 to 4, 22 ...; 5 to 20, 25 ... and 11 to
    // 14); a single form serves all.
    QString count(Text forms, qint64 n) const;
    // The index of the form of n among formCount forms, as count() picks it.
    static int pluralForm(qint64 n, int formCount);

    // X<n> of the section, or the English text where the section has no
    // such key (a key present with an empty value gives an empty text).
    QString text(Text text) const;
    // The same with its plural groups chosen by numbers (see plurals()).
    QString text(Text text, std::initializer_list<double> numbers) const
    {
        return plurals(this->text(text), numbers);
    }
    // A text's groups {k:one|other} take the form that the k-th number
    // (from 1) asks for: with two forms by English's rule (one for exactly
    // 1), with three, {k:one|few|many}, by the rule of Russian (one for 1,
    // 21, 31 ...; few for 2 to 4, 22 to 24 ... and for a number with a
    // fraction; many for the rest). A group that does not fit is left as
    // it stands.
    static QString plurals(const QString &text, std::initializer_list<double> numbers);
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
