// The PDF toolbox chain: options and permission keywords for zemkit.lib.
// One group; each item is accepted in lower case and in all upper case and
// always forwarded in lower case.
#include "passes/toolbox_table.h"

#include "passes/option_walker.h"

namespace {

constexpr OptionRow kToolboxRows[] = {
    {1, "-crossmerge", "-CROSSMERGE", false, "-crossmerge", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-split", "-SPLIT", false, "-split", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-createfdf", "-CREATEFDF", false, "-createfdf", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-fillform", "-FILLFORM", false, "-fillform", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-underlay", "-UNDERLAY", false, "-underlay", 1, DEST_TOOLBOX_OPERATIONS},
    {1, "-mulunderlay", "-MULUNDERLAY", false, "-mulunderlay", 1, DEST_TOOLBOX_OPERATIONS},
    {1, "-overlay", "-OVERLAY", false, "-overlay", 1, DEST_TOOLBOX_OPERATIONS},
    {1, "-muloverlay", "-MULOVERLAY", false, "-muloverlay", 1, DEST_TOOLBOX_OPERATIONS},
    {1, "-getinfo", "-GETINFO", false, "-getinfo", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-getinfoutf8", "-GETINFOUTF8", false, "-getinfoutf8", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-outformdata", "-OUTFORMDATA", false, "-outformdata", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-outformdatautf8", "-OUTFORMDATAUTF8", false, "-outformdatautf8", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-setinfo", "-SETINFO", false, "-setinfo", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-setinfoutf8", "-SETINFOUTF8", false, "-setinfoutf8", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-attachfile", "-ATTACHFILE", false, "-attachfile", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-detachfile", "-DETACHFILE", false, "-detachfile", 0, DEST_TOOLBOX_OPERATIONS},
    {1, "-inputpassword", "-INPUTPASSWORD", false, "-inputpassword", 1, DEST_TOOLBOX_OPERATIONS},
    {1, "-showinfo", "-SHOWINFO", false, "-showinfo", 1, DEST_TOOLBOX_SECURITY},
    {1, "-silent", "-SILENT", false, "-silent", 0, DEST_TOOLBOX_SECURITY},
    {1, "-prompt", "-PROMPT", false, "-prompt", 0, DEST_TOOLBOX_SECURITY},
    {1, "-removexfa", "-REMOVEXFA", false, "-removexfa", 0, DEST_TOOLBOX_SECURITY},
    {1, "-flattenform", "-FLATTENFORM", false, "-flattenform", 0, DEST_TOOLBOX_SECURITY},
    {1, "-pack", "-PACK", false, "-pack", 0, DEST_TOOLBOX_SECURITY},
    {1, "-unpack", "-UNPACK", false, "-unpack", 0, DEST_TOOLBOX_SECURITY},
    {1, "-key40bit", "-KEY40BIT", false, "-key40bit", 0, DEST_TOOLBOX_SECURITY},
    {1, "-key128bit", "-KEY128BIT", false, "-key128bit", 0, DEST_TOOLBOX_SECURITY},
    {1, "-permit", "-PERMIT", false, "-permit", 0, DEST_TOOLBOX_SECURITY},
    {1, "printing", "PRINTING", false, "printing", 0, DEST_TOOLBOX_SECURITY},
    {1, "lowprinting", "LOWPRINTING", false, "lowprinting", 0, DEST_TOOLBOX_SECURITY},
    {1, "modifycontents", "MODIFYCONTENTS", false, "modifycontents", 0, DEST_TOOLBOX_SECURITY},
    {1, "assembly", "ASSEMBLY", false, "assembly", 0, DEST_TOOLBOX_SECURITY},
    {1, "copying", "COPYING", false, "copying", 0, DEST_TOOLBOX_SECURITY},
    {1, "screenreader", "SCREENREADER", false, "screenreader", 0, DEST_TOOLBOX_SECURITY},
    {1, "modifyannot", "MODIFYANNOT", false, "modifyannot", 0, DEST_TOOLBOX_SECURITY},
    {1, "filling", "FILLING", false, "filling", 0, DEST_TOOLBOX_SECURITY},
    {1, "allowall", "ALLOWALL", false, "allowall", 0, DEST_TOOLBOX_SECURITY},
    {1, "-ownerpassword", "-OWNERPASSWORD", false, "-ownerpassword", 1, DEST_TOOLBOX_SECURITY},
    {1, "-userpassword", "-USERPASSWORD", false, "-userpassword", 1, DEST_TOOLBOX_SECURITY},
};

}  // namespace

std::span<const OptionRow> ToolboxOptionTable() { return kToolboxRows; }

void ApplyToolboxChain(PassState& state) { ApplyOptionGroups(ToolboxOptionTable(), state); }
