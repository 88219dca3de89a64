#include "metadata/tag_tables.h"

#include <iterator>

#include "platform/core/text.h"

namespace metadata {
namespace {

// A table row stated by the columns it sets; the others stay empty.
class Row {
public:
    constexpr Row(uint16_t tag, std::string_view name) {
        row_.tag = tag;
        row_.name = name;
    }
    constexpr Row Describe(std::string_view description) const {
        Row copy = *this;
        copy.row_.description = description;
        return copy;
    }
    constexpr Row Codes(std::string_view codes) const {
        Row copy = *this;
        copy.row_.codes = codes;
        return copy;
    }
    constexpr Row Format(std::string_view format) const {
        Row copy = *this;
        copy.row_.format = format;
        return copy;
    }
    constexpr Row Call(Callback callback) const {
        Row copy = *this;
        copy.row_.callback = callback;
        return copy;
    }
    constexpr Row Apex() const {
        Row copy = *this;
        copy.row_.scale = NumberScale::ApexAperture;
        return copy;
    }
    constexpr operator TagRow() const { return row_; }

private:
    TagRow row_;
};

constexpr TagRow Dataset(uint16_t record, uint16_t dataset, std::string_view name,
                         std::string_view description, int32_t size) {
    TagRow row;
    row.tag = dataset;
    row.record = record;
    row.name = name;
    row.description = description;
    row.size = size;
    return row;
}

// The main EXIF/TIFF table. Tag ids ascend; some names come twice, the TIFF/EP
// form before the EXIF one, and a lookup by name finds the first. The last row
// stands for a tag the table does not know.
constexpr TagRow kMainRows[] = {
    Row(0x0001, "InteroperabilityIndex"),
    Row(0x0002, "InteroperabilityVersion"),
    Row(0x000B, "ACDComment"),
    Row(0x00FE, "NewSubfileType"),
    Row(0x00FF, "SubfileType"),
    Row(0x0100, "ImageWidth"),
    Row(0x0101, "ImageLength"),
    Row(0x0102, "BitsPerSample"),
    Row(0x0103, "Compression").Codes("6:Jpeg,3:Uncompressed,1:TIFF"),
    Row(0x0106, "PhotometricInterpretation").Codes("1:Monochrome,2:RGB,6:YCbCr"),
    Row(0x010A, "FillOrder"),
    Row(0x010D, "DocumentName"),
    Row(0x010E, "ImageDescription"),
    Row(0x010F, "Make"),
    Row(0x0110, "Model"),
    Row(0x0111, "StripOffsets"),
    Row(0x0112, "Orientation")
        .Codes("1:Normal,3:Rotated 180°,6:CounterClockwise 90°,8:Clockwise 90°"),
    Row(0x0115, "SamplesPerPixel"),
    Row(0x0116, "RowsPerStrip"),
    Row(0x0117, "StripByteCounts"),
    Row(0x0118, "MinSampleValue"),
    Row(0x0119, "MaxSampleValue"),
    Row(0x011A, "XResolution").Format("%5.2f"),
    Row(0x011B, "YResolution").Format("%5.2f"),
    Row(0x011C, "PlanarConfiguration"),
    Row(0x011D, "PageName"),
    Row(0x011E, "XPosition"),
    Row(0x011F, "YPosition"),
    Row(0x0120, "FreeOffsets"),
    Row(0x0121, "FreeByteCounts"),
    Row(0x0122, "GrayReponseUnit"),
    Row(0x0123, "GrayReponseCurve"),
    Row(0x0124, "T4Options"),
    Row(0x0125, "T6Options"),
    Row(0x0128, "ResolutionUnit").Codes("1:None Specified,2:Inch,3:Centimeter"),
    Row(0x0129, "PageNumber"),
    Row(0x012D, "TransferFunction"),
    Row(0x0131, "Software"),
    Row(0x0132, "DateTime"),
    Row(0x013B, "Artist"),
    Row(0x013C, "HostComputer"),
    Row(0x013D, "Predictor"),
    Row(0x013E, "WhitePoint"),
    Row(0x013F, "PrimaryChromaticities"),
    Row(0x0140, "ColorMap"),
    Row(0x0141, "HalfToneHints"),
    Row(0x0142, "TileWidth"),
    Row(0x0143, "TileLength"),
    Row(0x0144, "TileOffsets"),
    Row(0x0145, "TileByteCounts"),
    Row(0x014A, "SubIFDs"),
    Row(0x014C, "InkSet"),
    Row(0x014D, "InkNames"),
    Row(0x014E, "NumberOfInks"),
    Row(0x0150, "DotRange"),
    Row(0x0151, "TargetPrinter"),
    Row(0x0152, "ExtraSample"),
    Row(0x0153, "SampleFormat"),
    Row(0x0154, "SMinSampleValue"),
    Row(0x0155, "SMaxSampleValue"),
    Row(0x0156, "TransferRange"),
    Row(0x0157, "ClipPath"),
    Row(0x0158, "XClipPathUnits"),
    Row(0x0159, "YClipPathUnits"),
    Row(0x015A, "Indexed"),
    Row(0x015B, "JPEGTables"),
    Row(0x015F, "OPIProxy"),
    Row(0x0200, "JPEGProc"),
    Row(0x0201, "JPEGInterchangeFormat"),
    Row(0x0202, "JPEGInterchangeFormatLength"),
    Row(0x0203, "JPEGRestartInterval"),
    Row(0x0205, "JPEGLosslessPredictors"),
    Row(0x0206, "JPEGPointTransforms"),
    Row(0x0207, "JPEGQTables"),
    Row(0x0208, "JPEGDCTables"),
    Row(0x0209, "JPEGACTables"),
    Row(0x0211, "YCbCrCoefficients"),
    Row(0x0212, "YCbCrSubSampling"),
    Row(0x0213, "YCbCrPositioning").Codes("1:Centered,2:Co-sited"),
    Row(0x0214, "ReferenceBlackWhite"),
    Row(0x02BC, "ExtensibleMetadataPlatform"),
    Row(0x0301, "Gamma"),
    Row(0x0302, "ICCProfileDescriptor"),
    Row(0x0303, "SRGBRenderingIntent"),
    Row(0x0304, "ImageTitle"),
    Row(0x1000, "RelatedImageFileFormat"),
    Row(0x1001, "RelatedImageWidth"),
    Row(0x1002, "RelatedImageHeight"),
    Row(0x5001, "ResolutionXUnit"),
    Row(0x5002, "ResolutionYUnit"),
    Row(0x5003, "ResolutionXLengthUnit"),
    Row(0x5004, "ResolutionYLengthUnit"),
    Row(0x5005, "PrintFlags"),
    Row(0x5006, "PrintFlagsVersion"),
    Row(0x5007, "PrintFlagsCrop"),
    Row(0x5008, "PrintFlagsBleedWidth"),
    Row(0x5009, "PrintFlagsBleedWidthScale"),
    Row(0x500A, "HalftoneLPI"),
    Row(0x500B, "HalftoneLPIUnit"),
    Row(0x500C, "HalftoneDegree"),
    Row(0x500D, "HalftoneShape"),
    Row(0x500E, "HalftoneMisc"),
    Row(0x500F, "HalftoneScreen"),
    Row(0x5010, "JPEGQuality"),
    Row(0x5011, "GridSize"),
    Row(0x5012, "ThumbnailFormat"),
    Row(0x5013, "ThumbnailWidth"),
    Row(0x5014, "ThumbnailHeight"),
    Row(0x5015, "ThumbnailColorDepth"),
    Row(0x5016, "ThumbnailPlanes"),
    Row(0x5017, "ThumbnailRawBytes"),
    Row(0x5018, "ThumbnailSize"),
    Row(0x5019, "ThumbnailCompressedSize"),
    Row(0x501A, "ColorTransferFunction"),
    Row(0x501B, "ThumbnailData"),
    Row(0x5020, "ThumbnailImageWidth"),
    Row(0x5021, "ThumbnailImageHeight"),
    Row(0x5022, "ThumbnailBitsPerSample"),
    Row(0x5023, "ThumbnailCompression"),
    Row(0x5024, "ThumbnailPhotometricInterp"),
    Row(0x5025, "ThumbnailImageDescription"),
    Row(0x5026, "ThumbnailEquipMake"),
    Row(0x5027, "ThumbnailEquipModel"),
    Row(0x5028, "ThumbnailStripOffsets"),
    Row(0x5029, "ThumbnailOrientation"),
    Row(0x502A, "ThumbnailSamplesPerPixel"),
    Row(0x502B, "ThumbnailRowsPerStrip"),
    Row(0x502C, "ThumbnailStripBytesCount"),
    Row(0x502D, "ThumbnailResolutionX"),
    Row(0x502E, "ThumbnailResolutionY"),
    Row(0x502F, "ThumbnailPlanarConfig"),
    Row(0x5030, "ThumbnailResolutionUnit"),
    Row(0x5031, "ThumbnailTransferFunction"),
    Row(0x5032, "ThumbnailSoftwareUsed"),
    Row(0x5033, "ThumbnailDateTime"),
    Row(0x5034, "ThumbnailArtist"),
    Row(0x5035, "ThumbnailWhitePoint"),
    Row(0x5036, "ThumbnailPrimaryChromaticities"),
    Row(0x5037, "ThumbnailYCbCrCoefficients"),
    Row(0x5038, "ThumbnailYCbCrSubsampling"),
    Row(0x5039, "ThumbnailYCbCrPositioning"),
    Row(0x503A, "ThumbnailRefBlackWhite"),
    Row(0x503B, "ThumbnailCopyRight"),
    Row(0x5090, "LuminanceTable"),
    Row(0x5091, "ChrominanceTable"),
    Row(0x5100, "FrameDelay"),
    Row(0x5101, "LoopCount"),
    Row(0x5110, "PixelUnit"),
    Row(0x5111, "PixelPerUnitX"),
    Row(0x5112, "PixelPerUnitY"),
    Row(0x5113, "PaletteHistogram"),
    Row(0x800D, "ImageID"),
    Row(0x80E3, "Matteing"),
    Row(0x80E4, "DataType"),
    Row(0x80E5, "ImageDepth"),
    Row(0x80E6, "TileDepth"),
    Row(0x828D, "CFARepeatPatternDim"),
    Row(0x828E, "CFAPattern"),
    Row(0x828F, "BatteryLevel"),
    Row(0x8298, "Copyright"),
    Row(0x829A, "ExposureTime").Format("%s sec"),
    Row(0x829D, "FNumber").Format("F%0.1f"),
    Row(0x83BB, "IPTC/NAA").Describe("IPTC/NAA"),
    Row(0x84E3, "IT8RasterPadding"),
    Row(0x84E5, "IT8ColorTable"),
    Row(0x8649, "ImageResourceInformation"),
    Row(0x8769, "ExifOffset"),
    Row(0x8773, "InterColorProfile"),
    Row(0x8822, "ExposureProgram")
        .Codes("0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter "
               "priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode"),
    Row(0x8824, "SpectralSensitivity"),
    Row(0x8825, "GPSInfo"),
    Row(0x8827, "ISOSpeedRatings"),
    Row(0x8828, "OECF"),
    Row(0x8829, "Interlace"),
    Row(0x882A, "TimeZoneOffset"),
    Row(0x882B, "SelfTimerMode"),
    Row(0x9000, "ExifVersion"),
    Row(0x9003, "DateTimeOriginal"),
    Row(0x9004, "DateTimeDigitized"),
    Row(0x9101, "ComponentsConfiguration").Call(Callback::FormatComponentsConfig),
    Row(0x9102, "CompressedBitsPerPixel"),
    Row(0x9201, "ShutterSpeedValue").Call(Callback::FormatShutterSpeed),
    Row(0x9202, "ApertureValue").Format("F%0.1f").Apex(),
    Row(0x9203, "BrightnessValue"),
    Row(0x9204, "ExposureBiasValue"),
    Row(0x9205, "MaxApertureValue").Format("F%0.1f").Apex(),
    Row(0x9206, "SubjectDistance"),
    Row(0x9207, "MeteringMode")
        .Codes("0:Unknown,1:Average,2:Center,3:Spot,4:MultiSpot,5:MultiSegment,6:Partial"),
    Row(0x9208, "LightSource")
        .Codes("0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std "
               "B,19:Std C"),
    Row(0x9209, "Flash").Call(Callback::DecodeFlash),
    Row(0x920A, "FocalLength").Format("%5.2f mm"),
    Row(0x920B, "FlashEnergy"),
    Row(0x920C, "SpatialFrequencyResponse"),
    Row(0x920D, "Noise"),
    Row(0x920E, "FocalPlaneXResolution"),
    Row(0x920F, "FocalPlaneYResolution"),
    Row(0x9210, "FocalPlaneResolutionUnit").Codes("1:None Specified,2:Inch,3:Centimeter"),
    Row(0x9211, "ImageNumber"),
    Row(0x9212, "SecurityClassification"),
    Row(0x9213, "ImageHistory"),
    Row(0x9214, "SubjectLocation"),
    Row(0x9215, "ExposureIndex"),
    Row(0x9216, "TIFF/EPStandardID"),
    Row(0x9217, "SensingMethod"),
    Row(0x923F, "StoNits"),
    Row(0x927C, "MakerNote"),
    Row(0x9286, "UserComment").Call(Callback::CommentAfterCharset),
    Row(0x9290, "SubSecTime"),
    Row(0x9291, "SubSecTimeOriginal"),
    Row(0x9292, "SubSecTimeDigitized"),
    Row(0x953C, "ImageSourceData"),
    Row(0x9C9B, "Title").Call(Callback::DecodeWideText),
    Row(0x9C9C, "Comments").Call(Callback::DecodeWideText),
    Row(0x9C9D, "Author").Call(Callback::DecodeWideText),
    Row(0x9C9E, "Keywords").Call(Callback::DecodeWideText),
    Row(0x9C9F, "Subject").Call(Callback::DecodeWideText),
    Row(0xA000, "FlashPixVersion"),
    Row(0xA001, "ColorSpace").Codes("0:sBW,1:sRGB"),
    Row(0xA002, "ExifImageWidth"),
    Row(0xA003, "ExifImageLength"),
    Row(0xA004, "RelatedSoundFile"),
    Row(0xA005, "InteroperabilityOffset"),
    Row(0xA20B, "FlashEnergy"),
    Row(0xA20C, "SpatialFrequencyResponse"),
    Row(0xA20E, "FocalPlaneXResolution"),
    Row(0xA20F, "FocalPlaneYResolution"),
    Row(0xA210, "FocalPlaneResolutionUnit").Codes("1:None Specified,2:Inch,3:Centimeter"),
    Row(0xA211, "ImageNumber"),
    Row(0xA212, "SecurityClassification"),
    Row(0xA213, "ImageHistory"),
    Row(0xA214, "SubjectLocation"),
    Row(0xA215, "ExposureIndex"),
    Row(0xA216, "TIFF/EPStandardID").Describe("TIFF/EPStandardID"),
    Row(0xA217, "SensingMethod")
        .Codes(
            "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,"
            "5:ColorSequentialArea,6:MonochromeLinear,7:TriLinear,8:ColorSequentialLinear"),
    Row(0xA300, "FileSource").Codes("1:Unknown,3:Digital Still Camera"),
    Row(0xA301, "SceneType").Codes("0:Unknown,1:Directly Photographed"),
    Row(0xA302, "CFAPattern"),
    Row(0xA401, "CustomRendered").Codes("0:Normal process,1:Custom process"),
    Row(0xA402, "ExposureMode").Codes("0:Auto,1:Manual,2:Auto bracket"),
    Row(0xA403, "WhiteBalance").Codes("0:Auto,1:Manual"),
    Row(0xA404, "DigitalZoomRatio"),
    Row(0xA405, "FocalLengthin35mmFilm").Describe("Focal Length in 35mm Film").Format("%5.2f mm"),
    Row(0xA406, "SceneCaptureType").Codes("0:Standard,1:Landscape,2:Portrait,3:Night scene"),
    Row(0xA407, "GainControl")
        .Codes("0:None,1:Low gain up,2:High gain up,3:Low gain down,4:High gain down"),
    Row(0xA408, "Contrast").Codes("0:Normal,1:Soft,2:Hard"),
    Row(0xA409, "Saturation").Codes("0:Normal,1:Low,2:High"),
    Row(0xA40A, "Sharpness").Codes("0:Normal,1:Soft,2:Hard"),
    Row(0xA40B, "DeviceSettingDescription"),
    Row(0xA40C, "SubjectDistanceRange").Codes("0:Unknown,1:Macro,2:Close view,3:Distant view"),
    Row(0xA420, "ImageUniqueID"),
    Row(0x0000, "Unknown"),
};
static_assert(std::size(kMainRows) == 251);

constexpr TagRow kGpsRows[] = {
    Row(0x0000, "GPSVersionID"),
    Row(0x0001, "GPSLatitudeRef"),
    Row(0x0002, "GPSLatitude").Call(Callback::FormatGpsCoordinate),
    Row(0x0003, "GPSLongitudeRef"),
    Row(0x0004, "GPSLongitude").Call(Callback::FormatGpsCoordinate),
    Row(0x0005, "GPSAltitudeRef").Codes("0:Sealevel"),
    Row(0x0006, "GPSAltitude"),
    Row(0x0007, "GPSTimeStamp").Call(Callback::FormatGpsTime),
    Row(0x0008, "GPSSatellites"),
    Row(0x0009, "GPSStatus"),
    Row(0x000A, "GPSMeasureMode"),
    Row(0x000B, "GPSDOP"),
    Row(0x000C, "GPSSpeedRef"),
    Row(0x000D, "GPSSpeed"),
    Row(0x000E, "GPSTrackRef"),
    Row(0x000F, "GPSTrack"),
    Row(0x0010, "GPSImageDirectionRef"),
    Row(0x0011, "GPSImageDirection"),
    Row(0x0012, "GPSMapDatum"),
    Row(0x0013, "GPSDestLatitudeRef"),
    Row(0x0014, "GPSDestLatitude").Call(Callback::FormatGpsCoordinate),
    Row(0x0015, "GPSDestLongitudeRef"),
    Row(0x0016, "GPSDestLongitude").Call(Callback::FormatGpsCoordinate),
    Row(0x0017, "GPSDestBearingkRef"),
    Row(0x0018, "GPSDestBearing"),
    Row(0x0019, "GPSDestDistanceRef"),
    Row(0x001A, "GPSDestDistance"),
    Row(0x001B, "GPSProcessingMode"),
    Row(0x001C, "GPSAreaInformation"),
    Row(0x001D, "GPSDateStamp"),
    Row(0x001E, "GPSDifferential"),
};
static_assert(std::size(kGpsRows) == 31);

// Records and datasets with their maximum lengths. The record version (2:0) is
// never listed.
constexpr TagRow kIptcRows[] = {
    Dataset(2, 0, "SKIP", "Record Version", 64),
    Dataset(2, 3, "ObjectType", "Object Type Ref", 67),
    Dataset(2, 4, "ObjectAttr", "Object Attribute Ref", 67),
    Dataset(2, 5, "ObjectName", "Object name", 64),
    Dataset(2, 7, "EditStatus", "Edit Status", 64),
    Dataset(2, 8, "EditorialUpdate", "Editorial Update", 2),
    Dataset(2, 10, "Urgency", "Urgency", 1),
    Dataset(2, 12, "SubRef", "Subject Reference", 236),
    Dataset(2, 15, "Category", "Category", 3),
    Dataset(2, 20, "SuppCategory", "Supplemental category", 32),
    Dataset(2, 22, "FixtureID", "Fixture ID", 32),
    Dataset(2, 25, "Keywords", "Keywords", 64),
    Dataset(2, 26, "ContentLocCode", "Content Location Code", 3),
    Dataset(2, 27, "ContentLocName", "Content Location Name", 64),
    Dataset(2, 30, "ReleaseDate", "Release Date", 8),
    Dataset(2, 35, "ReleaseTime", "Release Time", 11),
    Dataset(2, 37, "ExpireDate", "Expiration Date", 8),
    Dataset(2, 38, "ExpireTime", "Expiration Time", 11),
    Dataset(2, 40, "SpecialInstru", "Special Instructions", 256),
    Dataset(2, 42, "ActionAdvised", "Action Advised", 2),
    Dataset(2, 45, "RefService", "Reference Service", 10),
    Dataset(2, 47, "RefDate", "Reference Date", 8),
    Dataset(2, 50, "RefNumber", "Reference Number", 8),
    Dataset(2, 55, "DateCreated", "Date created", 8),
    Dataset(2, 60, "TimeCreated", "Time created", 11),
    Dataset(2, 62, "DigitizeDate", "Digital Creation Date", 8),
    Dataset(2, 63, "DigitizeTime", "Digital Creation Time", 11),
    Dataset(2, 65, "OriginatingProgram", "Originating Program", 32),
    Dataset(2, 70, "ProgramVersion", "Program version", 10),
    Dataset(2, 75, "ObjectCycle", "Object Cycle", 1),
    Dataset(2, 80, "ByLine", "ByLine", 32),
    Dataset(2, 85, "ByLineTitle", "ByLine Title", 32),
    Dataset(2, 90, "City", "City", 32),
    Dataset(2, 92, "SubLocation", "Sublocation", 32),
    Dataset(2, 95, "State", "Province/State", 32),
    Dataset(2, 100, "LocationCode", "Country/Primary Location Code", 3),
    Dataset(2, 101, "LocationName", "Country/Primary Location Name", 64),
    Dataset(2, 103, "TransmissionRef", "Original Transmission Reference", 32),
    Dataset(2, 105, "ImageHeadline", "Image headline", 256),
    Dataset(2, 110, "ImageCredit", "Image credit", 32),
    Dataset(2, 115, "Source", "Source", 32),
    Dataset(2, 116, "Copyright", "Copyright Notice", 128),
    Dataset(2, 118, "Contact", "Contact", 128),
    Dataset(2, 120, "ImageCaption", "Image caption", 2000),
    Dataset(2, 122, "ImageCaptionWriter", "Image caption writer", 32),
    Dataset(2, 130, "ImageType", "Image type", 2),
    Dataset(2, 131, "Orientation", "Image Orientation", 1),
    Dataset(2, 135, "LangID", "Language ID", 3),
    Dataset(8, 10, "Subfile", "Subfile", 2),
};
static_assert(std::size(kIptcRows) == 49);

// Camera maker tables. A row named "Skip" (any case) is a tag the walk passes over.
constexpr TagRow kNikonOlderRows[] = {
    Row(0x0002, "FamilyID"),
    Row(0x0003, "Quality")
        .Codes("1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine,10:2 "
               "Mpixel Basic,11:2 Mpixel Normal,12:2 Mpixel Fine"),
    Row(0x0004, "ColorMode").Codes("1:Color,2:Monochrome"),
    Row(0x0005, "ImageAdjustment").Codes("0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-"),
    Row(0x0006, "ISOSpeed").Codes("0:ISO80,2:ISO160,4:ISO320,5:ISO100"),
    Row(0x0007, "WhiteBalance")
        .Codes("0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight"),
    Row(0x0008, "Focus"),
    Row(0x0009, "Skip"),
    Row(0x000A, "DigitalZoom"),
    Row(0x000B, "Converter").Codes("0:Not used,1:Used"),
    Row(0x0F00, "Skip"),
};
static_assert(std::size(kNikonOlderRows) == 11);

constexpr TagRow kNikonNewerRows[] = {
    Row(0x0001, "FamilyID").Describe("Family ID"),
    Row(0x0002, "ISOSpeed").Describe("ISO Speed"),
    Row(0x0003, "ColorMode").Describe("Color Mode"),
    Row(0x0004, "Quality"),
    Row(0x0005, "WhiteBalance").Describe("White Balance"),
    Row(0x0006, "ImageSharpening").Describe("Image Sharpening"),
    Row(0x0007, "FocusMode").Describe("Focus Mode"),
    Row(0x0008, "FlashSetting").Describe("Flash Setting"),
    Row(0x0009, "AutoFlashMode").Describe("Auto Flash Mode"),
    Row(0x000A, "Skip"),
    Row(0x000B, "WhiteBiasValue").Describe("White Bias Value"),
    Row(0x000F, "DigitalZoom").Describe("Digital Zoom"),
    Row(0x0010, "Skip"),
    Row(0x0011, "Skip"),
    Row(0x0080, "ImageAdjustment").Describe("Image Adjustment"),
    Row(0x0081, "ImageAdjustment").Describe("Image Adjustment"),
    Row(0x0082, "Adapter"),
    Row(0x0084, "LensInformation").Describe("Lens information").Call(Callback::DecodeNikonLensInfo),
    Row(0x0085, "ManualFocusDistance").Describe("Manual Focus Distance"),
    Row(0x0086, "DigitalZoom").Describe("Digital Zoom"),
    Row(0x0088, "FocusArea").Describe("Focus Area"),
    Row(0x0089, "Mode"),
    Row(0x008D, "ColorMode").Describe("Color Mode").Call(Callback::DecodeNikonColorMode),
    Row(0x008F, "SceneMode").Describe("Scene Mode"),
    Row(0x0092, "HueAdjustment").Describe("Hue Adjustment"),
    Row(0x0094, "Saturation"),
    Row(0x0095, "NoiseReduction").Describe("Noise Reduction"),
    Row(0x0F00, "Skip"),
};
static_assert(std::size(kNikonNewerRows) == 28);

constexpr TagRow kOlympusRows[] = {
    Row(0x0200, "SpecialMode"),
    Row(0x0201, "JpegQual").Codes("1:SQ,2:HQ,3:SHQ,4:Raw"),
    Row(0x0202, "Macro").Codes("0:Normal,1:Macro"),
    Row(0x0203, "Skip"),
    Row(0x0204, "DigiZoom").Describe("Digital Zoom Ratio"),
    Row(0x0205, "Skip"),
    Row(0x0206, "Skip"),
    Row(0x0207, "Firmware"),
    Row(0x0208, "PictInfo").Describe("Picture Info"),
    Row(0x0209, "CameraID").Describe("Camera ID"),
    Row(0x0F00, "Skip"),
    Row(0x1004, "FlashMode").Describe("Flash Mode"),
    Row(0x1006, "Bracket"),
    Row(0x100B, "FocusMode").Describe("Focus Mode"),
    Row(0x100C, "FocusDistance").Describe("Focus Distance"),
    Row(0x100D, "Zoom"),
    Row(0x100E, "MacroFocus").Describe("Macro Focus"),
    Row(0x100F, "Sharpness"),
    Row(0x1011, "ColorMatrix").Describe("Color Matrix"),
    Row(0x1012, "BlackLevel").Describe("Black Level"),
    Row(0x1015, "WhiteBalance").Describe("White Balance"),
    Row(0x1017, "RedBias").Describe("Red Bias"),
    Row(0x1018, "BlueBias").Describe("Blue Bias"),
    Row(0x101A, "SerialNumber"),
    Row(0x1023, "FlashBias").Describe("Flash Bias"),
    Row(0x1029, "Contrast"),
    Row(0x102A, "SharpnessFactor").Describe("Sharpness Factor"),
    Row(0x102B, "ColorControl").Describe("Color Control"),
    Row(0x102C, "ValidBits").Describe("Valid Bits"),
    Row(0x102D, "Coring").Describe("Coring Filter"),
    Row(0x102E, "FinalWidth").Describe("Final Width"),
    Row(0x102F, "FinalHeight").Describe("Final Height"),
    Row(0x1034, "CompressionRatio").Describe("Compression Ratio"),
};
static_assert(std::size(kOlympusRows) == 33);

constexpr TagRow kCasioFirstRows[] = {
    Row(0x0001, "RecordingMode")
        .Codes("1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape"),
    Row(0x0002, "Quality").Codes("1:Economy,2:Normal,3:Fine"),
    Row(0x0003, "FocusingMode").Codes("2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity"),
    Row(0x0004, "FlashMode").Codes("1:Auto,2:On,3:Off,4:Red Eye Reduction"),
    Row(0x0005, "FlashIntensity").Codes("11:Weak,13:Normal,15:Strong"),
    Row(0x0006, "ObjectDistance"),
    Row(0x0007, "WhiteBalance")
        .Codes("1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual"),
    Row(0x0008, "Skip"),
    Row(0x0009, "Skip"),
    Row(0x000A, "DigitalZoom").Codes("65536:Off,65537:2X Digital Zoom"),
    Row(0x000B, "Sharpness").Codes("0:Normal,1:Soft,2:Hard"),
    Row(0x000C, "Contrast").Codes("0:Normal,1:Low,2:High"),
    Row(0x000D, "Saturation").Codes("0:Normal,1:Low,2:High"),
    Row(0x000E, "Skip"),
    Row(0x000F, "Skip"),
    Row(0x0010, "Skip"),
    Row(0x0011, "Skip"),
    Row(0x0012, "Skip"),
    Row(0x0013, "Skip"),
    Row(0x0014, "CCDSensitivity").Codes("64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High"),
    Row(0x0015, "Skip"),
    Row(0x0016, "Skip"),
    Row(0x0017, "Skip"),
    Row(0x0018, "Skip"),
    Row(0x0019, "Skip"),
    Row(0x001A, "Skip"),
};
static_assert(std::size(kCasioFirstRows) == 26);

// Notes that begin with "QVC".
constexpr TagRow kCasioQvcRows[] = {
    Row(0x0002, "ThumbnailDimensions").Describe("Thumbnail Dimensions"),
    Row(0x0003, "ThumbnailSize").Describe("Thumbnail Size"),
    Row(0x0004, "ThumbnailOffset").Describe("Thumbnail OffSet"),
    Row(0x0008, "Quality").Codes("1:Fine,2:Super Fine"),
    Row(0x0009, "ImageSize")
        .Codes("0:640 x 480,4:1600 x 1200,5:2048 x 1536,20:2288 x 1712,21:2592 x 1944,22:2304 x "
               "1728,36:3008 x 2008"),
    Row(0x000D, "FocusMode").Codes("0:Normal,1:Macro"),
    Row(0x0014, "IsoSensitivity").Codes("3:50,4:64,6:100,9:200"),
    Row(0x0019, "WhiteBalance")
        .Codes("0:Auto,1:Daylight,2:Shade,3:Tungsten,4:Fluorescent,5:Manual"),
    Row(0x001D, "FocalLength").Describe("Focal Length (.1 mm)"),
    Row(0x001F, "Saturation").Codes("0:-1,1:Normal,2:+1"),
    Row(0x0020, "Contrast").Codes("0:-1,1:Normal,2:+1"),
    Row(0x0021, "Sharpness").Codes("0:-1,1:Normal,2:+1"),
    Row(0x0E00, "PIM").Describe("Print Image Matching Info"),
    Row(0x2000, "Skip"),
    Row(0x2001, "Skip"),
    Row(0x2002, "Skip"),
    Row(0x2003, "Skip"),
    Row(0x2011, "WhiteBalanceBias").Describe("White Balance Bias"),
    Row(0x2013, "Skip"),
    Row(0x2012, "WhiteBalance").Describe("White Balance").Codes("0:Manual,1:Auto,4:Flash,12:Flash"),
    Row(0x2021, "Skip"),
    Row(0x2022, "ObjectDistance").Describe("Object Distance (mm)"),
    Row(0x2023, "Skip"),
    Row(0x2031, "Skip"),
    Row(0x2032, "Skip"),
    Row(0x2033, "Skip"),
    Row(0x2034, "FlashDistance").Describe("Flash Distance"),
    Row(0x3000, "RecordMode").Describe("Record Mode").Codes("2:Normal"),
    Row(0x3001, "SelfTimer").Describe("Self Timer").Codes("0:Off,1:On"),
    Row(0x3002, "Quality").Codes("1:Economy,2:Normal,3:Fine"),
    Row(0x3003, "FocusMode")
        .Describe("Focus Mode")
        .Codes("1:Fixed,3:Auto Focus,6:Multi-Area Auto Focus"),
    Row(0x3005, "Skip"),
    Row(0x3006, "TimeZone").Describe("Time Zone"),
    Row(0x3007, "BestshotMode").Describe("Bestshot Mode").Codes("0:Off,1:On"),
    Row(0x3011, "Skip"),
    Row(0x3012, "Skip"),
    Row(0x3013, "Skip"),
    Row(0x3014, "CCDSensitivity").Describe("CCD Sensitivity"),
    Row(0x3015, "ColorMode").Describe("Color Mode").Codes("0:Off,1:On"),
    Row(0x3016, "Enhancement").Codes("0:Off,1:On"),
    Row(0x3017, "Filter").Codes("0:Off,1:On"),
    Row(0x3018, "Skip"),
    Row(0x3019, "Skip"),
    Row(0x301A, "Skip"),
    Row(0x301B, "Skip"),
};
static_assert(std::size(kCasioQvcRows) == 45);

constexpr TagRow kFujifilmRows[] = {
    Row(0x0000, "Version"),
    Row(0x1000, "Quality"),
    Row(0x1001, "Sharpness").Codes("1:Soft,2:Soft,3:Normal,4:Hard,5:Hard"),
    Row(0x1002, "WhiteBalance")
        .Codes(
            "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-"
            "fluorescence,770:White-fluorescence,1024:Incandenscense,3840:Custom white balance."),
    Row(0x1003, "Color").Codes("0:Normal,256:High,512:Low"),
    Row(0x1004, "Tone").Codes("0:Normal,256:High,512:Low"),
    Row(0x1010, "FlashMode").Codes("0:Auto,1:On,2:Off,3:Red-eye reduction"),
    Row(0x1011, "FlashStrength"),
    Row(0x1020, "Macro").Codes("0:Off,1:On"),
    Row(0x1021, "Focusmode").Codes("0:Auto Focus,1:Manual Focus"),
    Row(0x1030, "SlowSync").Codes("0:Off,1:On"),
    Row(0x1031, "PictureMode")
        .Codes("0:Auto,1:Portrait scene,2:Landscape scene,4:Sports scene,5:Night scene,6:Program "
               "AE,256:Aperture prior AE,512:Shutter prior AE,768:Manual exposure"),
    Row(0x1032, "Skip"),
    Row(0x1100, "ContTake/Bracket").Codes("0:Off,1:On"),
    Row(0x1200, "Skip"),
    Row(0x1300, "BlurWarning").Codes("0:No blur warning,1:Blur warning"),
    Row(0x1301, "FocusWarning").Codes("0:Auto Focus good,1:Out of focus"),
    Row(0x1302, "AEWarning").Codes("0:AE good,1:Over exposure"),
};
static_assert(std::size(kFujifilmRows) == 18);

constexpr TagRow kCanonRows[] = {
    Row(0x0000, "Skip"),
    Row(0x0001, "ExposureInfo1").Call(Callback::DecodeCanonCameraSettings),
    Row(0x0002, "Skip"),
    Row(0x0003, "Skip"),
    Row(0x0004, "ExposureInfo2").Call(Callback::DecodeCanonShotInfo),
    Row(0x0006, "ImageType"),
    Row(0x0007, "FirmwareVersion"),
    Row(0x0008, "ImageNumber"),
    Row(0x0009, "OwnerName"),
    Row(0x000A, "Skip"),
    Row(0x000B, "Skip"),
    Row(0x000C, "CameraSerialNumber"),
    Row(0x000D, "Skip"),
    Row(0x000E, "Skip"),
    Row(0x000F, "CustomFunctions").Call(Callback::DecodeCanonCustomFunctions),
    Row(0x0010, "Skip"),
};
static_assert(std::size(kCanonRows) == 16);

constexpr TagRow kSeikoRows[] = {
    Row(0x0200, "Special Mode"), Row(0x0201, "JpegQuality"), Row(0x0202, "Macro"),
    Row(0x0203, "Skip"),         Row(0x0204, "DigiZoom"),    Row(0x0209, "CameraID"),
    Row(0x020A, "Comments"),     Row(0x020B, "Width"),       Row(0x020C, "Height"),
    Row(0x020D, "SoftRelease"),  Row(0x0300, "??"),          Row(0x0F00, "skip"),
};
static_assert(std::size(kSeikoRows) == 12);

constexpr TagRow kSanyoRows[] = {
    Row(0x0200, "Special Mode"), Row(0x0201, "JpegQuality"), Row(0x0202, "Macro"),
    Row(0x0203, "Skip"),         Row(0x0204, "DigiZoom"),    Row(0x0F00, "DataDump"),
};
static_assert(std::size(kSanyoRows) == 6);

constexpr TagRow kMinoltaRows[] = {
    Row(0x0000, "ModelID"),
    Row(0x0E00, "PIMdata"),
};
static_assert(std::size(kMinoltaRows) == 2);

constexpr size_t kUnknownRow = std::size(kMainRows) - 1;
static_assert(kMainRows[kUnknownRow].tag == 0 && kMainRows[kUnknownRow].name == "Unknown");

// The main table without its "Unknown" row, which no lookup may find.
std::span<const TagRow> KnownMainRows() {
    return std::span<const TagRow>(kMainRows).first(kUnknownRow);
}

bool IsCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

std::span<const TagRow> MainTable() {
    return kMainRows;
}

std::span<const TagRow> GpsTable() {
    return kGpsRows;
}

std::span<const TagRow> IptcTable() {
    return kIptcRows;
}

std::span<const TagRow> Table(MakerTable table) {
    switch (table) {
        case MakerTable::NikonNewer:
            return kNikonNewerRows;
        case MakerTable::NikonOlder:
            return kNikonOlderRows;
        case MakerTable::Olympus:
            return kOlympusRows;
        case MakerTable::CasioFirst:
            return kCasioFirstRows;
        case MakerTable::CasioQvc:
            return kCasioQvcRows;
        case MakerTable::Fujifilm:
            return kFujifilmRows;
        case MakerTable::Canon:
            return kCanonRows;
        case MakerTable::Seiko:
            return kSeikoRows;
        case MakerTable::Sanyo:
            return kSanyoRows;
        case MakerTable::Minolta:
            return kMinoltaRows;
    }
    return {};
}

std::string SpaceOutName(std::string_view name) {
    std::string spaced;
    spaced.reserve(name.size() + 4);
    for (size_t i = 0; i < name.size(); ++i) {
        if (i > 0 && IsCapital(name[i]) && !IsCapital(name[i - 1])) spaced.push_back(' ');
        spaced.push_back(name[i]);
    }
    return spaced;
}

std::string BuildTagDescriptions(const TagRow& row) {
    return row.description.empty() ? SpaceOutName(row.name) : std::string(row.description);
}

int IndexOfTagDefinition(std::string_view name) {
    const auto rows = KnownMainRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (platform::SameTextIgnoringCase(rows[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

std::optional<TTagEntry> FindTagDefinition(uint16_t tag, int kind) {
    std::span<const TagRow> rows;
    if (kind == kGpsDirectory) {
        rows = GpsTable();
    } else if (kind == kMainDirectory || kind == kThumbnailDirectory) {
        rows = KnownMainRows();
    } else {
        return std::nullopt;
    }
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (row->tag == tag) return EntryOf(*row, true);
    }
    return std::nullopt;
}

TTagEntry UnknownTag() {
    return EntryOf(kMainRows[kUnknownRow], true);
}

int IndexOfTagInTable(uint16_t tag, MakerTable table) {
    const auto rows = Table(table);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].tag == tag) return static_cast<int>(i);
    }
    return -1;
}

std::string_view FindTagInTable(uint16_t tag, MakerTable table) {
    const auto rows = Table(table);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (row->tag == tag) return row->codes;
    }
    return {};
}

int IndexOfIptcDefinition(std::string_view name) {
    for (size_t i = 0; i < std::size(kIptcRows); ++i) {
        if (platform::SameTextIgnoringCase(kIptcRows[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

int IndexOfIptcDataset(uint16_t record, uint16_t dataset) {
    for (size_t i = 0; i < std::size(kIptcRows); ++i) {
        if (kIptcRows[i].record == record && kIptcRows[i].tag == dataset) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace metadata
