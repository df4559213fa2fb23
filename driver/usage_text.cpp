// The text zemconv writes when it runs without arguments. Every row keeps
// its option field at 31 characters so the descriptions line up in column 34;
// tests/driver/usage_text_test.cpp checks the layout.
#include "driver/usage_text.h"

const char* const USAGE_TEXT = R"USAGE(
=======================================================
Zembra v 2.0

Zembra is designed to convert HTML files (or webpages) to PDF documents,
to the image formats JPEG, TIFF, PNG, TGA, PS, EPS, PCX, BMP and GIF, and
to the text and office formats TXT, DOC, RTF, XLS and CSV. It runs from
the command line, so scripts and other programs can call it.

Usage: zemconv [options] <input file> <output file>

Options:
  -disable-external-links      : Make no PDF links to other web sites.
  -disable-internal-links      : Make no PDF links within the document.
  -disable-javascript          : Do not let the page run JavaScript.
  -debug-javascript            : Report JavaScript messages and errors.
  -disable-smart-shrinking     : Do not shrink wide pages to the paper width.
  -dpi <DPI>                   : Rendering resolution in dots per inch.
  -enable-plugins              : Let the page use browser plugins.
  -ignore-load-errors          : Convert the page even when some of its
                                 resources fail to load.
  -print-media-type            : Use the page's print style sheets.
  -proxy <proxy>               : Fetch web pages through this proxy server.
  -quiet                       : Print no progress messages.
  -read-args-from-stdin        : Read more options from standard input.
  -redirect-delay <msec>       : Milliseconds to wait for a page redirect
                                 (default 200).
  -encoding <encoding>         : Text encoding of pages that declare none.
  -stop-slow-scripts           : Stop scripts that run too long.
  -username <username>         : User name for HTTP authentication.
  -password <password>         : Password for HTTP authentication.
  -zoom <float>                : Zoom factor of the page content (default 1).
  -f <int>                     : First page to convert.
  -l <int>                     : Last page to convert.
  -margin-bottom <unitreal>    : Bottom margin of the page (default 10 mm).
  -margin-left <unitreal>      : Left margin of the page (default 10 mm).
  -margin-right <unitreal>     : Right margin of the page (default 10 mm).
  -margin-top <unitreal>       : Top margin of the page (default 10 mm).
  -minimum-font-size <int>     : Smallest font size for text (default 5).
  -no-background               : Leave the page background out.
  -orientation <orientation>   : Page orientation, Landscape or Portrait
                                 (default Portrait).
  -page-height <unitreal>      : Paper height (default unit millimeter).
  -page-width <unitreal>       : Paper width (default unit millimeter).
  -page-size <size>            : Set paper size to: A4, Letter, etc.

For PDF only:
  -ownerpassword <passwd>      : Owner password to encrypt the output PDF.
  -userpassword <passwd>       : Password needed to open the output PDF.
  -key40bit                    : Encrypt the output PDF with a 40-bit key.
  -key128bit                   : Encrypt the output PDF with a 128-bit key.
  -permit <permissions>        : Apply permissions to the output PDF only if
                                 an owner password is given.
    printing                   : Allow high quality printing.
    lowprinting                : Allow low quality printing.
    modifycontents             : Allow modifying the contents.
    assembly                   : Allow document assembly.
    copying                    : Allow copying text and graphics.
    screenreader               : Allow text extraction for screen readers.
    modifyannot                : Allow adding and changing annotations.
    filling                    : Allow filling in interactive form fields.
    allowall                   : Allow all the above permissions and high
                                 quality printing.
  -lowquality                  : Lower the image quality for a smaller PDF.
  -copies <number>             : Copies of the original HTML contained in the
                                 output PDF file (default 1).
  -collate                     : Keep the pages of each copy together.
  -cookie <name> <value>       : Send a cookie with this name and value.
  -cookie-jar <path>           : Read and save cookies in this file.
  -custom-header <name> <value>: Send an extra HTTP header with each request.
  -default-header              : Add a header with the page title and number.
  -replace <name> <value>      : Replace <name> by <value> in page headers.
  -disable-pdf-compression     : Write the output PDF uncompressed.
  -allow <path>                : Allow local files from this folder.
  -disallow-local-file-access  : Do not let the page load local files.
  -forms                       : Turn HTML form fields into PDF form fields.
  -grayscale                   : Make the PDF in grayscale.
  -post <name> <value>         : POST this form field with its value.
  -post-file <name> <path>     : POST this file as a form field.
  -toc                         : Add a table of contents.
  -user-style-sheet <url>      : Apply this style sheet to every page.
  -title <text>                : Title of the output PDF.

For others except PDF:
  -r <int>                     : Resolution in DPI (default 150).
  -xres <int>                  : Horizontal resolution in DPI (default 150).
  -yres <int>                  : Vertical resolution in DPI (default 150).
  -w <int>                     : Width of the output image in pixels.
  -width <int>                 : Width of the output image in pixels, as -w.
  -h <int>                     : Height of the output image in pixels.
  -height <int>                : Height of the output image in pixels, as -h.
  -mono                        : Make a monochrome (1 bit per pixel) image.
  -gray                        : Make a grayscale image.
  -dither <int>                : Enable or disable dithering when reduce the
                                 number of bits per pixel to bit (1, 4 or 8).
    -dither 0                  : Disable dithering.
    -dither 1                  : Floyd & Steinberg error diffusion.
    -dither 2                  : BAYER4x4, Bayer dot dithering (order 2
                                 matrix).
    -dither 3                  : BAYER8x8, Bayer dot dithering (order 3
                                 matrix).
    -dither 4                  : CLUSTER6x6, clustered dot dithering (order
                                 3, 6x6 matrix).
    -dither 5                  : CLUSTER8x8, clustered dot dithering (order
                                 4, 8x8 matrix).
    -dither 6                  : CLUSTER16x16, clustered dot dithering (order
                                 8, 16x16 matrix).
    -dither 7                  : BAYER16x16, Bayer dot dithering (order 4
                                 matrix).
  -compress <int>              : Set compression to TIFF format:
    -compress 1                : NONE compression.
    -compress 2                : CCITT modified Huffman RLE.
    -compress 3                : CCITT Group 3 fax encoding (1D).
    -compress 4                : CCITT Group 4 fax encoding.
    -compress 5                : LZW compression.
    -compress 6                : OJPEG compression.
    -compress 7                : JPEG DCT compression.
    -compress 8                : ADOBE_DEFLATE compression.
    -compress 32773            : PACKBITS compression.
    -compress 32809            : THUNDERSCAN compression.
    -compress 32946            : DEFLATE compression.
    -compress 88880            : 204x98  G4 ClassF TIFF.
    -compress 88881            : 204x196 G4 ClassF TIFF.
    -compress 88882            : 204x98  G3 ClassF TIFF.
    -compress 88883            : 204x196 G3 ClassF TIFF.
    -compress 88884            : CCITT Group 3 fax encoding (2D).
  -quality <int>               : JPEG quality, from 0 to 100.
  -multipage                   : Write all pages into one TIFF file.
  -aa <string>                 : Anti-alias fonts: yes or no (default 'yes').
  -aavec <string>              : Anti-alias vector graphics: yes or no
                                 (default 'yes').
  -aaVector <string>           : Same as -aavec: yes or no (default 'yes').
  -forcebwtif                  : Make a black-and-white TIFF.
  -threshold <int>             : Lightness threshold between black and white.
  -forcexdpi <int>             : Horizontal DPI recorded in the image file.
  -forceydpi <int>             : Vertical DPI recorded in the image file.
  -tempname <string>           : Name template for the files of a multi-page
                                 output: <string>0001.<ext>,
                                 <string>0002.<ext> and so on in the output's
                                 folder; the first page also goes to the
                                 output path.
  -tempname1                   : Number the files of a multi-page output from
                                 1 without leading zeros.
  -trimimage                   : Trim blank margins off the output images.
  -rotate <int>                : Rotate the pages by this angle in degrees.
  -fixed <fp>                  : Lay text out in fixed-pitch columns of this
                                 character width in points.
  -htmlmeta                    : Write the text as a simple HTML file with
                                 the document's meta information.
  -enc <string>                : Encoding of text output, such as UTF-8.
  -eol <string>                : Line ends of text output: unix, dos or mac.
  -nopgbrk                     : Put no page breaks into text output.

Examples:
Encrypt the PDF with owner and user passwords and a 128-bit key, allowing
printing and adding annotations:
zemconv -ownerpassword Owner-Secret1 -userpassword User-Secret1 -key128bit
 -permit printing modifyannot https://www.example.com/ _ownerpassword.pdf

Keep the pages of each copy together:
zemconv -collate https://www.example.com/ _collate.pdf

Put three copies of the HTML page into the PDF:
zemconv -copies 3 https://www.example.com/ _copies.pdf

Report JavaScript messages and errors:
zemconv -debug-javascript https://www.example.com/ _debug-javascript.pdf

Make no PDF links to other web sites:
zemconv -disable-external-links https://www.example.com/
 _disable-external-links.pdf

Make no PDF links within the document:
zemconv -disable-internal-links https://www.example.com/
 _disable-internal-links.pdf

Do not let the page run JavaScript:
zemconv -disable-javascript https://www.example.com/
 _disable-javascript.pdf

Write the PDF uncompressed:
zemconv -disable-pdf-compression https://www.example.com/
 _disable-pdf-compression.pdf

Do not shrink wide pages to the paper width:
zemconv -disable-smart-shrinking https://www.example.com/
 _disable-smart-shrinking.pdf

Do not let the page load local files:
zemconv -disallow-local-file-access https://www.example.com/
 _disallow-local-file-access.pdf

Render the page at 400 dots per inch:
zemconv -dpi 400 https://www.example.com/ _dpi.pdf

Let the page use browser plugins:
zemconv -enable-plugins https://www.example.com/ _enable-plugins.pdf

Read a page that declares no text encoding as UTF-8:
zemconv -encoding UTF-8 https://www.example.com/ _encoding.pdf

Make the PDF in grayscale:
zemconv -grayscale https://www.example.com/ _grayscale.pdf

Set the bottom margin to 10 mm:
zemconv -margin-bottom 10 https://www.example.com/ _margin-bottom.pdf

Set the left margin to 10 mm:
zemconv -margin-left 10 https://www.example.com/ _margin-left.pdf

Set the right margin to 10 mm:
zemconv -margin-right 10 https://www.example.com/ _margin-right.pdf

Set the top margin to 10 mm:
zemconv -margin-top 10 https://www.example.com/ _margin-top.pdf

Leave the page background out of the PDF:
zemconv -no-background https://www.example.com/ _no-background.pdf

Make the paper 100 mm high:
zemconv -page-height 100 https://www.example.com/ _page-height.pdf

Make the paper 100 mm wide:
zemconv -page-width 100 https://www.example.com/ _page-width.pdf

Wait 20 milliseconds for the page to redirect before rendering it:
zemconv -redirect-delay 20 https://www.example.com/ _redirect-delay.pdf

Add a table of contents to the PDF:
zemconv -toc https://www.example.com/ _toc.pdf

Zoom the page content by a factor of 4:
zemconv -zoom 4 https://www.example.com/ _zoom.pdf

Make an image at a resolution of 200 DPI:
zemconv -r 200 https://www.example.com/ _r.jpg

Make an image at a horizontal resolution of 150 DPI:
zemconv -xres 150 https://www.example.com/ _xres.jpg

Make an image 100 pixels wide:
zemconv -w 100 https://www.example.com/ _w.jpg

Make an image 100 pixels high:
zemconv -h 100 https://www.example.com/ _h.jpg

Make a grayscale image:
zemconv -gray https://www.example.com/ _gray.jpg

Dither with Floyd & Steinberg error diffusion when reducing the colours:
zemconv -dither 1 https://www.example.com/ _dither.jpg

Make a TIFF with CCITT modified Huffman RLE compression:
zemconv -compress 2 https://www.example.com/ _compress.tif

Write all pages into one TIFF file:
zemconv -multipage https://www.example.com/ _multipage.tif

Anti-alias the fonts:
zemconv -aa yes https://www.example.com/ _aa.jpg

Anti-alias the vector graphics:
zemconv -aavec yes https://www.example.com/ _aavec.jpg

Make a black-and-white TIFF:
zemconv -forcebwtif https://www.example.com/ _forcebwtif.tif

Record a horizontal resolution of 200 DPI in the image file:
zemconv -forcexdpi 200 https://www.example.com/ _forcexdpi.jpg

Record a vertical resolution of 200 DPI in the image file:
zemconv -forceydpi 200 https://www.example.com/ _forceydpi.jpg

Name the files of the pages tempname0001.jpg, tempname0002.jpg and so on:
zemconv -tempname tempname https://www.example.com/ _tempname.jpg

Number the files of the pages from 1 without leading zeros:
zemconv -tempname1 https://www.example.com/ _tempname1.jpg

Trim the blank margins from the image:
zemconv -trimimage https://www.example.com/ _trimimage.jpg

Rotate the pages by 45 degrees:
zemconv -rotate 45 https://www.example.com/ _rotate.jpg

Write text output in UTF-8:
zemconv -enc UTF-8 https://www.example.com/ _enc.jpg

Put no page breaks into text output:
zemconv -nopgbrk https://www.example.com/ _nopgbrk.jpg
)USAGE";
