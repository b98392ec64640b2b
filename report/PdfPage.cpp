#include "report/PdfPage.h"

#include "report/PdfOutput.h"
#include "report/PdfText.h"

namespace pdfpage {

using namespace pdfnumbers;

void Page::start(double width, double height)
{
    m_width = width;
    m_height = height;
    m_graphics.resize(0);
    m_text.resize(0);
    m_ended = false;
}

void Page::addGraphicsLine(const QByteArray& line)
{
    m_graphics.append(line);
    m_graphics.append("\r\n");
}

void Page::writeText(const QByteArray& selector, const Codepage* codePage, int size, const RGBColor& color, double x,
    double y, const QString& content)
{
    if (m_lastColorText.isEmpty() || color != m_lastColor) {
        m_lastColor = color;
        m_lastColorText = colorText(color) + " rg\r\n";
    }
    // The colour line, "/Fnn size Tf", " 1 0 0 1 x y Tm (" and ") Tj" with
    // three numbers of at most 20 characters, and the escaped text.
    const qsizetype most = m_lastColorText.size() + selector.size() + 3 * 20 + 32 + content.size() * 4;
    char* out = beginAppend(m_text, most);
    out = put(out, m_lastColorText);
    out = put(out, selector);
    out = putNumber(out, size);
    out = put(out, " Tf\r\n 1 0 0 1 ");
    out = putNumber(out, truncated(x));
    *out++ = ' ';
    out = putNumber(out, truncated(m_height - y));
    out = put(out, " Tm (");
    out = pdftext::putEscaped(out, content, codePage);
    out = put(out, ") Tj\r\n");
    endAppend(m_text, out);
}

bool Page::end()
{
    if (m_ended)
        return false;
    m_text.append("ET\r\n");
    m_ended = true;
    return true;
}

void Page::writeObjects(pdfoutput::CountingSink& out, int pageObject) const
{
    const qsizetype separator = m_graphics.isEmpty() ? 0 : 2;
    const qsizetype length = m_graphics.size() + separator + 4 + m_text.size();
    char head[256];
    char* end = head;
    end = putNumber(end, pageObject);
    end = put(end, " 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 3 0 R\r\n/Contents ");
    end = putNumber(end, pageObject + 1);
    end = put(end, " 0 R\r\n/MediaBox [0 0 ");
    end = putNumber(end, truncated(m_width));
    *end++ = ' ';
    end = putNumber(end, truncated(m_height));
    end = put(end, "]\r\n>>\r\nendobj\r\n");
    out.beginObject(pageObject);
    out.write(head, end - head);

    end = head;
    end = putNumber(end, pageObject + 1);
    end = put(end, " 0 obj\r\n<< /Length ");
    end = putNumber(end, length);
    end = put(end, " >>\r\nstream\r\n");
    out.beginObject(pageObject + 1);
    out.write(head, end - head);
    if (!m_graphics.isEmpty()) {
        out.write(m_graphics);
        out.write("\r\n", 2);
    }
    out.write("BT\r\n", 4);
    out.write(m_text);
    out.write("\r\nendstream\r\nendobj\r\n", 21);
}

}  // namespace pdfpage
