#pragma once

#include "core/Error.h"
#include "report/ExportFilter.h"

#include <QString>
#include <vector>

// An export filter that keeps every call it receives, in order.
class RecordingFilter : public ExportFilter
{
public:
    enum class Kind { Start, NewPage, EndPage, Text, Graphic, Finish };

    struct Call
    {
        Kind kind = Kind::Start;
        int page = 0;  // pages begun when the call came
        double x = 0;
        double y = 0;
        ReportFont font;
        Alignment alignment = Alignment::LeftJustify;
        QString text;
        GraphicControl graphic;
        int paperWidth = 0;
        int paperHeight = 0;
        // What the owner said during the call.
        bool hadOwner = false;
        double ownerPageLength = 0;
        double ownerXFactor = 0;
    };

    std::vector<Call> calls;
    // A text that makes TextOut throw, to see errors reach the caller.
    QString failOnText;

    void Start(int paperWidth, int paperHeight, const ReportFont& font) override
    {
        Call call = make(Kind::Start);
        call.paperWidth = paperWidth;
        call.paperHeight = paperHeight;
        call.font = font;
        calls.push_back(call);
    }
    void NewPage() override
    {
        ++m_pages;
        calls.push_back(make(Kind::NewPage));
    }
    void EndPage() override { calls.push_back(make(Kind::EndPage)); }
    void TextOut(
        double x, double y, const ReportFont& font, const QColor&, Alignment alignment, const QString& text) override
    {
        if (!failOnText.isEmpty() && text == failOnText)
            throw Error(QStringLiteral("Disk full"));
        Call call = make(Kind::Text, x, y);
        call.font = font;
        call.alignment = alignment;
        call.text = text;
        calls.push_back(call);
    }
    void AcceptGraphic(double xOffset, double yOffset, const GraphicControl& control) override
    {
        Call call = make(Kind::Graphic, xOffset, yOffset);
        call.graphic = control;
        calls.push_back(call);
    }
    void Finish() override { calls.push_back(make(Kind::Finish)); }

    // The texts printed, in order.
    std::vector<Call> texts(const QString& text = QString()) const
    {
        std::vector<Call> result;
        for (const Call& call : calls) {
            if (call.kind == Kind::Text && (text.isNull() || call.text == text))
                result.push_back(call);
        }
        return result;
    }
    std::vector<Call> shapes() const
    {
        std::vector<Call> result;
        for (const Call& call : calls) {
            if (call.kind == Kind::Graphic && std::holds_alternative<ShapeControl>(call.graphic))
                result.push_back(call);
        }
        return result;
    }
    // The call kinds as a compact string: S(tart) N(ewPage) E(ndPage) T(ext) G(raphic) F(inish).
    QString sequence() const
    {
        QString result;
        for (const Call& call : calls)
            result += QLatin1Char("SNETGF"[static_cast<int>(call.kind)]);
        return result;
    }
    // Start, EndPage, NewPage, EndPage and Finish only.
    QString pageSequence() const
    {
        QString result = sequence();
        result.remove(QLatin1Char('T'));
        result.remove(QLatin1Char('G'));
        return result;
    }

private:
    int m_pages = 0;

    Call make(Kind kind, double x = 0, double y = 0) const
    {
        Call call;
        call.kind = kind;
        call.page = m_pages;
        call.x = x;
        call.y = y;
        call.hadOwner = owner() != nullptr;
        if (owner()) {
            call.ownerPageLength = owner()->pageLength;
            call.ownerXFactor = owner()->xFactor;
        }
        return call;
    }
};
