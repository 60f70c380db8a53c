#include "offline/ReportPdf.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace orv {
namespace {

// Dots per inch of the page's coordinates: fine enough that the diagram's one-dot lines read
// as hairlines, coarse enough that they still show when the page is rendered at screen size.
constexpr int kResolution = 300;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Lays the report out from top to bottom, starting a new page where the next block does not
// fit. Run once without drawing to count the pages, then again to draw them.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter* painter, const ReportContent& content, int pages)
        : writer_(writer), painter_(painter), content_(content), pages_(pages) {
        const QRect page = writer.pageLayout().paintRectPixels(kResolution);
        width_ = page.width();
        footerTop_ = page.height() - lineHeight(footerFont());
        bottom_ = footerTop_ - lineHeight(footerFont());
    }

    [[nodiscard]] int page() const { return page_; }
    [[nodiscard]] double width() const { return width_; }

    static QFont textFont(double points = 9.0, bool bold = false) {
        QFont font = diagramFont();
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }
    static QFont footerFont() { return textFont(8.0); }

    [[nodiscard]] double lineHeight(const QFont& font) const {
        return QFontMetricsF(font, &writer_).height() * 1.25;
    }

    // Room for `height` below the current line, on a new page if needed.
    double take(double height) {
        if (y_ + height > bottom_ && y_ > 0.0) {
            finishPage();
            if (painter_) {
                writer_.newPage();
            }
            ++page_;
            y_ = 0.0;
        }
        const double top = y_;
        y_ += height;
        return top;
    }
    void skip(double height) { y_ += height; }

    void text(const QFont& font, const std::string& line) {
        const double h = lineHeight(font);
        const double top = take(h);
        if (painter_) {
            painter_->setFont(font);
            painter_->drawText(QRectF(0, top, width_, h), Qt::AlignLeft | Qt::AlignVCenter,
                               q(line));
        }
    }

    // Columns as wide as their widest cell, the first one taking what is left over.
    void table(const ReportTable& table) {
        const QFont head = textFont(8.0, true);
        const QFont body = textFont(8.0);
        const std::size_t n = table.columns.size();
        std::vector<double> widths(n, 0.0);
        const QFontMetricsF headMetrics(head, &writer_);
        const QFontMetricsF bodyMetrics(body, &writer_);
        const double pad = headMetrics.averageCharWidth() * 1.5;
        for (std::size_t c = 0; c < n; ++c) {
            widths[c] = headMetrics.horizontalAdvance(q(table.columns[c])) + pad;
            for (const auto& row : table.rows) {
                if (c < row.size()) {
                    widths[c] = std::max(widths[c], bodyMetrics.horizontalAdvance(q(row[c])) + pad);
                }
            }
        }
        double rest = width_;
        for (std::size_t c = 1; c < n; ++c) {
            rest -= widths[c];
        }
        if (n > 0) {
            widths[0] = std::max(widths[0], rest);
        }
        auto line = [&](const std::vector<std::string>& cells, const QFont& font, bool rule) {
            const double h = lineHeight(font);
            const double top = take(h);
            if (!painter_) {
                return;
            }
            painter_->setFont(font);
            double x = 0.0;
            for (std::size_t c = 0; c < n && c < cells.size(); ++c) {
                const auto align = (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
                painter_->drawText(QRectF(x, top, widths[c] - pad / 2, h), align, q(cells[c]));
                x += widths[c];
            }
            if (rule) {
                painter_->drawLine(QPointF(0, top + h), QPointF(width_, top + h));
            }
        };
        line(table.columns, head, true);
        for (const auto& row : table.rows) {
            line(row, body, false);
        }
    }

    void diagram(const DiagramContent& diagram, const LocaleFormat& locale) {
        const double height = width_ * 0.5;
        const double top = take(height);
        if (!painter_) {
            return;
        }
        painter_->save();
        painter_->translate(0, top);
        painter_->setClipRect(QRectF(0, 0, width_, height));
        DiagramPainter(QSizeF(width_, height), kResolution, kResolution)
            .paint(*painter_, diagram, locale);
        painter_->restore();
    }

    void finishPage() {
        if (!painter_) {
            return;
        }
        const QFont font = footerFont();
        const double h = lineHeight(font);
        painter_->setFont(font);
        painter_->setPen(Qt::black);
        painter_->drawLine(QPointF(0, footerTop_), QPointF(width_, footerTop_));
        const QRectF box(0, footerTop_, width_, h);
        painter_->drawText(box, Qt::AlignLeft | Qt::AlignVCenter, q(content_.footerName));
        painter_->drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                           q(content_.pageText).arg(page_).arg(pages_));
    }

private:
    QPdfWriter& writer_;
    QPainter* painter_;
    const ReportContent& content_;
    int pages_;
    int page_ = 1;
    double width_ = 0.0;
    double footerTop_ = 0.0;
    double bottom_ = 0.0;
    double y_ = 0.0;
};

int layOut(QPdfWriter& writer, QPainter* painter, const ReportContent& content,
           const DiagramContent& diagram, const LocaleFormat& locale, int pages) {
    PageFlow flow(writer, painter, content, pages);
    flow.text(PageFlow::textFont(14.0, true), content.title);
    flow.skip(flow.lineHeight(PageFlow::textFont()) * 0.5);
    for (const auto& [label, value] : content.facts) {
        flow.text(PageFlow::textFont(), label + ": " + value);
    }
    flow.skip(flow.lineHeight(PageFlow::textFont()) * 0.5);
    flow.diagram(diagram, locale);
    flow.skip(flow.lineHeight(PageFlow::textFont()));
    flow.text(PageFlow::textFont(11.0, true), content.statisticsTitle);
    flow.table(content.statistics);
    flow.skip(flow.lineHeight(PageFlow::textFont()));
    flow.text(PageFlow::textFont(11.0, true), content.alarmsTitle);
    if (content.alarms.rows.empty()) {
        flow.text(PageFlow::textFont(), content.noAlarms);
    } else {
        flow.table(content.alarms);
    }
    flow.finishPage();
    return flow.page();
}

} // namespace

std::string writeReportPdf(const std::string& path, const ReportContent& content,
                           const DiagramContent& diagram, const LocaleFormat& locale) {
    QSaveFile file(q(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString().toStdString();
    }
    QPdfWriter writer(&file);
    writer.setResolution(kResolution);
    writer.setCreator(QStringLiteral("VisualORV"));
    writer.setTitle(q(content.title));
    writer.setPageLayout(QPageLayout(QPageSize(content.letter ? QPageSize::Letter : QPageSize::A4),
                                     QPageLayout::Portrait, QMarginsF(15, 15, 15, 12),
                                     QPageLayout::Millimeter));
    const int pages = layOut(writer, nullptr, content, diagram, locale, 0);
    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        return "cannot start the PDF";
    }
    layOut(writer, &painter, content, diagram, locale, pages);
    if (!painter.end() || !file.commit()) {
        return file.errorString().toStdString();
    }
    return {};
}

} // namespace orv
