# Reads the program's SPSS and Stata files with haven, as an R user would, and compares every
# value with the program's CSV: numbers to the six significant digits every table file
# carries, texts exactly, one case per row in order.
#   Rscript compare_haven.R TABLE.csv TABLE.sav TABLE.dta
args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 3) stop("usage: compare_haven.R CSV SAV DTA")
csv_path <- args[[1]]

first <- readLines(csv_path, n = 1, encoding = "UTF-8", warn = FALSE)
separator <- if (lengths(regmatches(first, gregexpr(";", first))) >
                 lengths(regmatches(first, gregexpr(",", first)))) ";" else ","
point <- if (separator == ";") "," else "."
expected <- read.csv(csv_path, sep = separator, colClasses = "character", check.names = FALSE,
                     fileEncoding = "UTF-8-BOM", na.strings = character(0), quote = "\"")

six <- function(x) signif(x, 6)
# A text of the CSV as the other files hold it: without the apostrophe that keeps a text
# starting like a formula from being run.
plain <- function(x) sub("^'([-=+@\t\r])", "\\1", x)

compare <- function(path, table) {
  problems <- character(0)
  # The file label: the norm and the day, cut (when it must be) between characters.
  label <- attr(table, "label")
  if (is.null(label) || !validUTF8(label) || !grepl("^Норма: .*; [0-9]{4}-[0-9]{2}-[0-9]{2}$", label))
    problems <- c(problems, sprintf("file label %s", deparse(label)))
  if (nrow(table) != nrow(expected))
    problems <- c(problems, sprintf("%d cases, the CSV has %d rows", nrow(table), nrow(expected)))
  if (ncol(table) != ncol(expected))
    problems <- c(problems, sprintf("%d variables, the CSV has %d columns", ncol(table),
                                    ncol(expected)))
  for (i in seq_len(min(ncol(table), ncol(expected)))) {
    column <- table[[i]]
    label <- attr(column, "label")
    if (!identical(label, names(expected)[[i]]))
      problems <- c(problems, sprintf("variable %d labelled %s, heading %s", i,
                                      deparse(label), names(expected)[[i]]))
    wanted <- expected[[i]]
    if (is.numeric(column)) {
      numbers <- suppressWarnings(as.numeric(chartr(point, ".", wanted)))
      numbers[wanted == ""] <- NA
      same <- (is.na(numbers) & is.na(column)) |
        (!is.na(numbers) & !is.na(column) & six(numbers) == six(as.numeric(column)))
    } else {
      same <- plain(wanted) == as.character(haven::zap_labels(column))
    }
    for (r in which(!same))
      problems <- c(problems, sprintf("case %d %s: %s, CSV %s", r, names(table)[[i]],
                                      format(column[[r]], digits = 17), wanted[[r]]))
  }
  if (length(problems) > 0)
    stop(sprintf("%s:\n  %s", path, paste(head(problems, 20), collapse = "\n  ")), call. = FALSE)
  cat(sprintf("%s: %d cases x %d variables equal the CSV in haven\n", basename(path),
              nrow(table), ncol(table)))
}

compare(args[[2]], haven::read_sav(args[[2]]))
compare(args[[3]], haven::read_dta(args[[3]]))
