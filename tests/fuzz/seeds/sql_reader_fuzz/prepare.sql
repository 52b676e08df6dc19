# Statements before the first function line are only executed.
DROP TABLE IF EXISTS temp.month_sales

# The month's sales, in a work table that lives as long as the connection.
@Prepare=0
CREATE TEMP TABLE month_sales AS
  SELECT * FROM sales
  WHERE strftime('%Y', sale_date) = '[YEAR]'
    AND CAST(strftime('%m', sale_date) AS INTEGER) = [MONTH]

# The month shown in the report's heading, through the defined name.
@Month=3;ReportMonth
SELECT '[YEAR]-' || printf('%02d', [MONTH])
