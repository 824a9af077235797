// The record of one Run: its rows, its fit and the labels of its points.
#pragma once

#include "ActivityModel.h"

#include <QString>

#include <vector>

// Where a point of a Run stands: its row's date text (as the table holds
// it), its hour and its number (from 1, its x on the chart).
struct PointLabel {
    QString date;
    int hour = 0;
    int number = 0;

    // The label as the chart's axis shows it: the date, a carriage return,
    // the hour, "h (", the number and ")".
    QString text() const;
    operator QString() const { return text(); }
    // The row's offset from the first selected row (from 0). Every place
    // that shows a row of a Run counts it so, as the position of the
    // maximum, Export CSV and vexlor-fit count it.
    int offset() const { return number - 1; }
    // The label as the chart's axis and the figures show it: the date, a
    // carriage return, the hour, "h (", the offset and ")".
    QString shown() const;
    // A label given as such a text takes its parts from it, as the graph
    // export has always read a label.
    static PointLabel fromText(const QString &text);
    PointLabel &operator=(const QString &text) { return *this = fromText(text); }

    bool operator==(const PointLabel &) const = default;
    friend bool operator==(const PointLabel &label, const QString &text)
    {
        return label.text() == text;
    }
};

// The labels of the rows of a Run, one per row in order.
std::vector<PointLabel> pointLabels(const std::vector<TRadData> &DataRows);

// Everything a Run found, kept until the next: the chart, its readout, the
// report, Save Graph, Save Picture and Export CSV all read this one record.
struct RunRecord {
    // DataRows: date, hour, observed count and its fitted shower and
    // sporadic parts; ModelRows: the profile factor and the profile.
    std::vector<TRadData> DataRows, ModelRows;
    ModelParams params;
    Peak peak;
    double dO = 0;
    // Made by the chart update, one per row.
    std::vector<PointLabel> labels;

    bool empty() const { return DataRows.empty(); }
    size_t size() const { return DataRows.size(); }
    // The four curves' values at point i (from 0): observed, shower profile,
    // shower, sporadic.
    double observed(size_t i) const { return DataRows[i].Value; }
    double profile(size_t i) const { return ModelRows[i].Profile; }
    double shower(size_t i) const { return DataRows[i].Shower; }
    double sporadic(size_t i) const { return DataRows[i].Sporadic; }
};
